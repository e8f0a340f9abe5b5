// How closely the real-time pacing of a chip without a buffer holds a tune's write stream to
// C64 time, and what the SID write stream costs per write.
#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <random>
#include <vector>

#include "output/Devices.h"
#include "output/SidWriter.h"
#include "platform/Clock.h"

namespace {

constexpr uint32_t PalFrameCycles = 19656;

// A chip that takes each write the moment it arrives, as a classic card does; it notes when
// every write was released, when the pacing meant to release it, and every restart of the
// pacing's clock.
class TInstantChip : public TSidDevice {
 public:
  int32_t Delay(int32_t chip, int32_t cycles) override {
    const int64_t planned =
        CycleBase + int64_t(double(Frequency) * SecondsPerCycle(chip) * double(cycles));
    const int32_t result = TSidDevice::Delay(chip, cycles);
    if (Recording && Target != planned) ++Restarts;
    return result;
  }
  bool Write(int32_t chip, uint8_t reg, uint32_t cycles, uint8_t value) override {
    const bool sent = TSidDevice::Write(chip, reg, cycles, value);
    if (Recording) {
      Released.push_back(Now());
      Planned.push_back(Target);
    }
    return sent;
  }
  void PrepareRead(int32_t, uint8_t) override {}
  void SetPal(int32_t, bool) override {}
  int32_t Count() const override { return 1; }
  std::string GetName(int32_t) const override { return "Instant"; }
  int64_t GetLatency(int32_t) const override { return 0; }
  void Silence(int32_t) override {}
  void ResetAll(uint8_t, int32_t) override {}
  void SetPendingCycles(int32_t, uint32_t) override {}
  bool HandlesIdleDelay(int32_t) const override { return false; }

  bool Recording = false;
  int Restarts = 0;
  std::vector<int64_t> Released;
  std::vector<int64_t> Planned;
};

// A buffered chip that keeps time itself: the stream's own cost without any waiting.
class TBufferedChip : public TInstantChip {
 public:
  bool Write(int32_t, uint8_t, uint32_t, uint8_t) override { return true; }
  int32_t Delay(int32_t, int32_t) override { return 1; }
};

struct TTimedWrite {
  uint8_t Reg;
  uint8_t Value;
  uint32_t Cycles;
};

// A 50 Hz play routine on three voices: 10 to 25 writes per call, a few dozen cycles apart,
// the rest of the frame silent.
std::vector<TTimedWrite> PlayRoutineStream(double seconds) {
  std::mt19937 random(1982);
  std::uniform_int_distribution<int> writesPerCall(10, 25), gap(12, 60), reg(0, 24), value(0, 255);
  std::vector<TTimedWrite> stream;
  const int frames = int(seconds * 50.0);
  uint64_t previous = 0;
  for (int frame = 0; frame < frames; ++frame) {
    uint64_t at = uint64_t(frame) * PalFrameCycles + 300;
    const int writes = writesPerCall(random);
    for (int i = 0; i < writes; ++i) {
      at += uint64_t(gap(random));
      stream.push_back({uint8_t(reg(random)), uint8_t(value(random)), uint32_t(at - previous)});
      previous = at;
    }
  }
  return stream;
}

int64_t ThreadCpuNs() {
  timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return int64_t(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

double Percentile(std::vector<double> values, double fraction) {
  std::sort(values.begin(), values.end());
  return values[size_t(fraction * double(values.size() - 1))];
}

// Feeds the stream through Delay and Write exactly as the write stream does and compares each
// release with the moment C64 time says it is due. The emulator's own work between writes is
// simulated as a spin of the given percentage of the emulated time.
void Pacing(benchmark::State& state) {
  const double emulationShare = double(state.range(0)) / 100.0;
  const std::vector<TTimedWrite> stream = PlayRoutineStream(5.0);
  for (auto _ : state) {
    TInstantChip chip;
    chip.SetClock(0, TClockMode::Pal);
    chip.SetPriority(0, TSidDevice::HighClass);  // as the player thread does
    const double tickPerCycle = 1e9 * chip.SecondsPerCycle(0);
    chip.Delay(0, 1);
    chip.Recording = true;
    const int64_t start = platform::QueryCounter();
    const int64_t cpuStart = ThreadCpuNs();
    std::vector<double> gapNs;
    for (const TTimedWrite& write : stream) {
      const int64_t work = int64_t(double(write.Cycles) * tickPerCycle * emulationShare);
      const int64_t workEnd = platform::QueryCounter() + work;
      while (platform::QueryCounter() < workEnd) {
      }
      gapNs.push_back(double(write.Cycles) * tickPerCycle);
      chip.Delay(0, int32_t(write.Cycles));
      chip.Write(0, write.Reg, write.Cycles, write.Value);
    }
    const double wallNs = double(platform::QueryCounter() - start);
    const double cpuNs = double(ThreadCpuNs() - cpuStart);
    // Lateness against the pacing's own plan, and the drift of the whole stream from C64 time
    // that the clock restarts (more than 1 ms behind) leave behind.
    std::vector<double> lateUs;
    for (size_t i = 0; i < chip.Released.size(); ++i)
      lateUs.push_back(double(chip.Released[i] - chip.Planned[i]) / 1000.0);
    double scheduleNs = double(start);
    for (const double gap : gapNs) scheduleNs += gap;
    state.counters["writes"] = double(stream.size());
    state.counters["late_median_us"] = Percentile(lateUs, 0.5);
    state.counters["late_p99_us"] = Percentile(lateUs, 0.99);
    state.counters["late_max_us"] = *std::max_element(lateUs.begin(), lateUs.end());
    state.counters["clock_restarts"] = chip.Restarts;
    state.counters["drift_ms"] = (double(chip.Released.back()) - scheduleNs) / 1e6;
    state.counters["cpu_percent"] = 100.0 * cpuNs / wallNs;
  }
}
BENCHMARK(Pacing)->Arg(0)->Arg(5)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The stream's own cost per write at normal speed (delay line, voice detection) on a chip that
// never waits; the bars' drain runs once per 20 ms worth of writes as its thread would.
void WriteSidCost(benchmark::State& state) {
  TDevices devices({{[] { return std::make_unique<TBufferedChip>(); }}});
  auto writer = std::make_unique<TSidWriter>(devices);
  writer->SetSpeed(1);
  const std::vector<TTimedWrite> stream = PlayRoutineStream(2.0);
  writer->WriteSid(4, 0x41, 1);
  size_t next = 0;
  for (auto _ : state) {
    const TTimedWrite& write = stream[next];
    writer->WriteSid(write.Reg, write.Value, write.Cycles);
    if (++next == stream.size()) {
      next = 0;
      writer->Drain();
      writer->Flush();
    }
  }
  state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(WriteSidCost);

}  // namespace
