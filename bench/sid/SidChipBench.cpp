// Cost of the software chip: three sounding voices with the filter on, rendered and
// resampled to the host rate. The "x_real_time" counter is seconds of chip time per second of
// one core.
#include <benchmark/benchmark.h>

#include <vector>

#include "sid/SidChip.h"

namespace {

void Configure(TSidChip& chip) {
  const uint8_t writes[][2] = {{0, 0x45}, {1, 0x1D}, {2, 0x00}, {3, 0x08}, {5, 0x09}, {6, 0xF0}, {4, 0x41},
                               {7, 0x11}, {8, 0x07}, {12, 0x00}, {13, 0xF0}, {11, 0x21},
                               {14, 0x00}, {15, 0x30}, {19, 0x00}, {20, 0xF0}, {18, 0x11},
                               {21, 0x03}, {22, 0x40}, {23, 0xF7}, {24, 0x1F}};
  for (const auto& write : writes) chip.Write(write[0], write[1]);
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

}  // namespace
