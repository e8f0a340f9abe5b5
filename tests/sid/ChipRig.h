#pragma once
// A chip on the bench: register writes, cycles, the rendered samples and a spectrum of them.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "sid/SidChip.h"

constexpr double PalClock = 985248.4444;
constexpr double NtscClock = 1022727.2143;

struct TChipRig {
  explicit TChipRig(TSidModel model = TSidModel::Mos6581, double clock = PalClock, bool digiBoost = false)
      : Chip(TSidConfig{model, clock, 48000, TFilterCurve6581::Average, digiBoost, TResampleQuality::Clean}) {}

  void Write(std::initializer_list<std::pair<uint8_t, uint8_t>> writes) {
    for (const auto& [reg, value] : writes) Chip.Write(reg, value);
  }
  // Runs the chip and keeps what it sends out.
  std::vector<float> Render(double seconds) {
    std::vector<float> all;
    uint64_t cycles = uint64_t(seconds * Chip.Config().ClockHz);
    std::vector<float> buffer(Chip.MaxSamples(20000));
    while (cycles > 0) {
      const uint32_t step = uint32_t(std::min<uint64_t>(cycles, 20000));
      const size_t made = Chip.Clock(step, buffer.data());
      all.insert(all.end(), buffer.begin(), buffer.begin() + long(made));
      cycles -= step;
    }
    return all;
  }
  // Runs the chip without keeping its output.
  void Run(uint64_t cycles) {
    while (cycles > 0) {
      const uint32_t step = uint32_t(std::min<uint64_t>(cycles, TSidChip::BlockCycles));
      Chip.Clock(step, Scratch.data());
      cycles -= step;
    }
  }
  TSidChip Chip;
  std::vector<float> Scratch = std::vector<float>(Chip.MaxSamples(TSidChip::BlockCycles));
};

// Power spectrum of the first 2^k samples (Hann window), bin width rate / size.
inline std::vector<double> PowerSpectrum(const std::vector<float>& samples, size_t size) {
  std::vector<std::complex<double>> x(size);
  for (size_t i = 0; i < size; ++i)
    x[i] = samples[i] * (0.5 - 0.5 * std::cos(2 * std::numbers::pi * double(i) / double(size)));
  for (size_t i = 1, j = 0; i < size; ++i) {
    size_t bit = size >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(x[i], x[j]);
  }
  for (size_t len = 2; len <= size; len <<= 1) {
    const std::complex<double> step = std::polar(1.0, -2 * std::numbers::pi / double(len));
    for (size_t i = 0; i < size; i += len) {
      std::complex<double> w = 1;
      for (size_t k = 0; k < len / 2; ++k, w *= step) {
        const std::complex<double> a = x[i + k], b = x[i + k + len / 2] * w;
        x[i + k] = a + b;
        x[i + k + len / 2] = a - b;
      }
    }
  }
  std::vector<double> power(size / 2);
  for (size_t i = 0; i < size / 2; ++i) power[i] = std::norm(x[i]);
  return power;
}

// Frequency of the strongest component above minHz, refined between bins.
inline double PeakHz(const std::vector<double>& power, double binHz, double minHz = 20) {
  size_t best = size_t(minHz / binHz);
  for (size_t i = best; i + 1 < power.size(); ++i)
    if (power[i] > power[best]) best = i;
  const double l = std::log(power[best - 1] + 1e-30), c = std::log(power[best] + 1e-30),
               r = std::log(power[best + 1] + 1e-30);
  return (double(best) + 0.5 * (l - r) / (l - 2 * c + r)) * binHz;
}

// Summed power within +-width Hz of a frequency.
inline double PowerNear(const std::vector<double>& power, double binHz, double hz, double width = 15) {
  double sum = 0;
  for (size_t i = size_t(std::max(0.0, hz - width) / binHz); i <= size_t((hz + width) / binHz) && i < power.size(); ++i)
    sum += power[i];
  return sum;
}
