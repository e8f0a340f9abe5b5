// How well the player thread keeps C64 time against real time: a real tune plays through the
// player behind a chip that paces like a card without a buffer, and the C64 time run so far is
// sampled every real millisecond. Lag is real time minus C64 time since the first sound, in ms
// (positive: the music is late). The counters give the overall rate and the lag's spread, with
// the program focused (the pacing only yields) and in the background (it sleeps a millisecond
// every 20 ms of C64 time).
//
// The software chip as the device, with SDL's dummy driver as the sound card (it takes frames
// at a card's pace): the demo tune plays at normal speed. The counters give the player thread's
// CPU share while it plays (read on that thread at each write), the whole process's (with the
// player's 1 ms timer and the sound card's thread), and, over every register write, the time
// until it is heard: the sound queued ahead of it at that moment.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <time.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include "output/DeviceHost.h"
#include "output/EmulatedSid.h"
#include "platform/Clock.h"
#include "platform/ScratchRegistry.h"
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

double CpuSeconds(clockid_t clock) {
  timespec now{};
  clock_gettime(clock, &now);
  return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

class TLatencySid : public TEmulatedSid {
 public:
  bool Write(int32_t chip, uint8_t reg, uint32_t cycles, uint8_t value) override {
    PlayerCpu.store(CpuSeconds(CLOCK_THREAD_CPUTIME_ID), std::memory_order_relaxed);
    const size_t at = Count.load(std::memory_order_relaxed);
    if (Heard() && at < Latencies.size()) {
      Latencies[at] = double(GetLatency(chip)) * 1000.0 / double(platform::CounterFrequency());
      Count.store(at + 1, std::memory_order_release);
    }
    return TEmulatedSid::Write(chip, reg, cycles, value);
  }
  std::vector<double> Latencies = std::vector<double>(size_t(1) << 20);  // ms
  std::atomic<size_t> Count{0};
  // The player thread's CPU time at its last write.
  std::atomic<double> PlayerCpu{0};
};

void SoftwareChipPlays(benchmark::State& state) {
  if (!std::filesystem::exists(VEXLOR_DEMO_TUNE)) {
    state.SkipWithError("demo tune not built");
    return;
  }
  TScratchRegistry settings;
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  const auto seconds = std::chrono::seconds(state.range(0));
  double playerShare = 0, processShare = 0;
  std::vector<double> latencies;
  for (auto _ : state) {
    TLatencySid* sid = nullptr;
    auto machine = std::make_unique<T6510>(std::vector<TDriverKind>{{[&sid] {
      auto device = std::make_unique<TLatencySid>();
      sid = device.get();
      return std::unique_ptr<TSidDevice>(std::move(device));
    }}});
    TMachineLoaderSeat seat(*machine);
    TSidLoader loader(seat);
    TPlaybackFields window;
    TdmTimer timer;
    timer.Machine = machine.get();
    std::string error;
    if (loader.LoadTuneFile(VEXLOR_DEMO_TUNE, 0) != TLoadResult::Loaded || !machine->Devices->StartOutput(0, error)) {
      state.SkipWithError("the demo tune cannot play");
      return;
    }
    window.CurrentSong = loader.Tune.startSong;
    timer.Player = std::make_unique<TPlayer>(timer, *machine, loader.Tune, window);
    timer.Player->Start();
    WaitUntil([&] { return machine->Writer->SoundStarted.load(); }, std::chrono::seconds(20));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const size_t first = sid->Count.load(std::memory_order_acquire);
    const auto start = Clock::now();
    const double processStart = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    const double playerStart = sid->PlayerCpu.load();
    std::this_thread::sleep_for(seconds);
    const std::chrono::duration<double> wall = Clock::now() - start;
    processShare = (CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - processStart) / wall.count();
    playerShare = (sid->PlayerCpu.load() - playerStart) / wall.count();
    const size_t last = sid->Count.load(std::memory_order_acquire);
    latencies.assign(sid->Latencies.begin() + std::ptrdiff_t(first), sid->Latencies.begin() + std::ptrdiff_t(last));
    timer.StopPlayerThread();
    machine->Devices->ResetAll(1, 0);
  }
  unsetenv("SDL_AUDIODRIVER");
  state.counters["player_cpu_percent"] = playerShare * 100;
  state.counters["process_cpu_percent"] = processShare * 100;
  state.counters["writes"] = double(latencies.size());
  state.counters["latency_p50_ms"] = Percentile(latencies, 0.5);
  state.counters["latency_p95_ms"] = Percentile(latencies, 0.95);
  state.counters["latency_p99_ms"] = Percentile(latencies, 0.99);
  state.counters["latency_max_ms"] = Percentile(latencies, 1);
}
BENCHMARK(SoftwareChipPlays)->ArgName("seconds")->Arg(10)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
