#pragma once
// What tells a 6581 from an 8580: the tables and figures each model's parts read, chosen once
// when a chip is made so the cycle loop never asks which model it is.
#include <array>
#include <cstdint>

enum class TSidModel : uint8_t { Mos6581, Mos8580 };

// The 6581's filter cutoff varied between production runs; these are three typical chips.
enum class TFilterCurve6581 : uint8_t { Average = 0, Bright = 1, Dark = 2 };

struct TSidModelData {
  // Waveform DAC: 12-bit waveform value -> level, 0..1 of the DAC's full scale.
  std::array<float, 4096> WaveDac{};
  // Envelope DAC: 8-bit envelope counter -> gain, 0..1.
  std::array<float, 256> EnvelopeDac{};
  // Combined waveforms (triangle, sawtooth and pulse pulling on each other), indexed by the
  // waveform nibble's low three bits and the accumulator's top 13 bits (the pulse taken high).
  std::array<std::array<uint16_t, 8192>, 8> Combined{};
  // Waveform level that gives no output from the multiplying DAC, and each voice's fixed
  // output offset (both in units of a full-scale waveform).
  float WaveZero = 0.5f;
  float VoiceOffset = 0.0f;
  // Offset the filter's summing stage adds while any filter mode is on.
  float FilterOffset = 0.0f;
  // Level the external input carries (the 8580 "digi boost" modification).
  float DigiBoostLevel = 0.0f;
  // Filter: output gains of the low, band and high pass relative to the direct path, the
  // damping 1/Q at resonance 0 and 15, and how strongly large signals bend the 6581's filter.
  float LowPassGain = 1.0f;
  float BandPassGain = 1.0f;
  float HighPassGain = 1.0f;
  float DampingAtRes0 = 1.41f;
  float DampingAtRes15 = 0.39f;
  float FilterDrive = 0.0f;
  // Cycles until a waveform DAC input left floating, the noise register held by the test bit
  // and the data bus value have faded.
  uint32_t WaveFadeCycles = 0;
  uint32_t NoiseFillCycles = 0;
  uint32_t BusFadeCycles = 0;
  // 16-bit sample units of a full-scale waveform's peak-to-peak swing at volume 15.
  float OutputScale = 5000.0f;
};

// The model's data, built on first use and shared by every chip of that model.
const TSidModelData& SidModelData(TSidModel model);

// Filter cutoff in Hz for the 11-bit cutoff register.
float FilterCutoffHz(TSidModel model, TFilterCurve6581 curve, uint32_t cutoffRegister);
