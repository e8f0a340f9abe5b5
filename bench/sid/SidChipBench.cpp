// Cost of the software chip: three sounding voices with the filter on, rendered and
// resampled to the host rate, alone and as two or three chips of a tune mixed to stereo. The
// "x_real_time" counter is seconds of chip time per second of one core.
#include <benchmark/benchmark.h>

#include <vector>

#include "sid/SidChip.h"
#include "sid/SidMix.h"

namespace {

void Configure(auto& chip, uint8_t base = 0) {
  const uint8_t writes[][2] = {{0, 0x45}, {1, 0x1D}, {2, 0x00}, {3, 0x08}, {5, 0x09}, {6, 0xF0}, {4, 0x41},
                               {7, 0x11}, {8, 0x07}, {12, 0x00}, {13, 0xF0}, {11, 0x21},
                               {14, 0x00}, {15, 0x30}, {19, 0x00}, {20, 0xF0}, {18, 0x11},
                               {21, 0x03}, {22, 0x40}, {23, 0xF7}, {24, 0x1F}};
  for (const auto& write : writes) chip.Write(uint8_t(base + write[0]), write[1]);
}

void ThreeVoicesFiltered(benchmark::State& state) {
  TSidConfig config;
  config.Model = state.range(0) ? TSidModel::Mos8580 : TSidModel::Mos6581;
  config.SampleRate = 48000;
  config.Quality = state.range(1) ? TResampleQuality::Fast : TResampleQuality::Clean;
  TSidChip chip(config);
  Configure(chip);
  constexpr uint32_t FrameCycles = 19656;  // one PAL frame between two bursts of writes
  std::vector<float> out(chip.MaxSamples(FrameCycles));
  uint64_t cycles = 0;
  uint8_t pulse = 0;
  for (auto _ : state) {
    chip.Write(2, pulse += 16);
    benchmark::DoNotOptimize(chip.Clock(FrameCycles, out.data()));
    cycles += FrameCycles;
  }
  state.counters["x_real_time"] = benchmark::Counter(double(cycles) / config.ClockHz, benchmark::Counter::kIsRate);
}
BENCHMARK(ThreeVoicesFiltered)->ArgsProduct({{0, 1}, {0, 1}})->ArgNames({"8580", "fast"});

// The chips of a tune for several SIDs, each as busy as the one above, mixed to stereo at 48 kHz.
void ChipsMixed(benchmark::State& state) {
  const std::vector<TSidModel> models(size_t(state.range(0)), TSidModel::Mos6581);
  TSidConfig config;
  config.SampleRate = 48000;
  TSidMix mix(config, models, TSidMixLayout::Stereo);
  for (size_t chip = 0; chip < models.size(); ++chip) Configure(mix, uint8_t(chip * TSidChip::Registers));
  constexpr uint32_t FrameCycles = 19656;
  std::vector<float> out(mix.MaxFrames(FrameCycles) * size_t(mix.Channels()));
  uint64_t cycles = 0;
  uint8_t pulse = 0;
  for (auto _ : state) {
    pulse += 16;
    for (size_t chip = 0; chip < models.size(); ++chip) mix.Write(uint8_t(chip * TSidChip::Registers + 2), pulse);
    benchmark::DoNotOptimize(mix.Clock(FrameCycles, out.data()));
    cycles += FrameCycles;
  }
  state.counters["x_real_time"] = benchmark::Counter(double(cycles) / config.ClockHz, benchmark::Counter::kIsRate);
}
BENCHMARK(ChipsMixed)->DenseRange(1, 3)->ArgName("chips");

}  // namespace
