// How well the player thread keeps C64 time against real time: a real tune plays through the
// player behind a chip that paces like a card without a buffer, and the C64 time run so far is
// sampled every real millisecond. Lag is real time minus C64 time since the first sound, in ms
// (positive: the music is late). The counters give the overall rate and the lag's spread, with
// the program focused (the pacing only yields) and in the background (it sleeps a millisecond
// every 20 ms of C64 time).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include "output/DeviceHost.h"
#include "player/PlayerRig.h"

namespace {

using Clock = std::chrono::steady_clock;

double Percentile(std::vector<double> values, double fraction) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[static_cast<size_t>(fraction * static_cast<double>(values.size() - 1))];
}

void PlayerKeepsTime(benchmark::State& state) {
  if (!std::filesystem::exists(CommandoTune)) {
    state.SkipWithError("test tune missing");
    return;
  }
  const auto seconds = std::chrono::seconds(state.range(0));
  const TDeviceHost saved = DeviceHost();
  DeviceHost().ApplicationActive = state.range(1) ? [] { return true; } : [] { return false; };
  std::vector<double> lags;
  double rate = 0;
  uint32_t restarts = 0;
  for (auto _ : state) {
    TPlayerRig rig;
    rig.Load(CommandoTune);
    rig.Play();
    if (!WaitUntil([&] { return rig.Machine->Writer->SoundStarted.load(); }, std::chrono::seconds(20))) {
      state.SkipWithError("no sound");
      return;
    }
    const auto start = Clock::now();
    const uint64_t firstMs = rig.EmulatedMs();
    const uint32_t firstRestarts = rig.Device->Restarts;
    auto next = start;
    while (Clock::now() - start < seconds) {
      next += std::chrono::milliseconds(1);
      std::this_thread::sleep_until(next);
      const std::chrono::duration<double, std::milli> real = Clock::now() - start;
      lags.push_back(real.count() - static_cast<double>(rig.EmulatedMs() - firstMs));
    }
    const std::chrono::duration<double, std::milli> real = Clock::now() - start;
    rate = static_cast<double>(rig.EmulatedMs() - firstMs) / real.count();
    restarts = rig.Device->Restarts - firstRestarts;
  }
  DeviceHost() = saved;
  state.counters["c64_per_real"] = rate;
  state.counters["pacing_restarts"] = restarts;
  state.counters["lag_min_ms"] = Percentile(lags, 0);
  state.counters["lag_p50_ms"] = Percentile(lags, 0.5);
  state.counters["lag_p99_ms"] = Percentile(lags, 0.99);
  state.counters["lag_max_ms"] = Percentile(lags, 1);
  state.counters["lag_end_ms"] = lags.empty() ? 0 : lags.back();
}
BENCHMARK(PlayerKeepsTime)
    ->ArgNames({"seconds", "focused"})
    ->Args({5, 1})
    ->Args({5, 0})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
