#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

#include "platform/Clock.h"
#include "platform/PeriodicTimer.h"

namespace {

double Microseconds(int64_t ticks) { return double(ticks) * 1e6 / double(platform::CounterFrequency()); }

int64_t Percentile(std::vector<int64_t> values, double fraction) {
  std::sort(values.begin(), values.end());
  return values[size_t(fraction * double(values.size() - 1))];
}

// How a thread waiting on the timer's event sees the ticks: each interval's lateness against
// the period (negative when early), and the ticks that never woke it (dropped by the timer
// after a stall, or merged in the event because the waiter was still busy).
void PeriodicTimerJitter(benchmark::State& state) {
  const auto periodMs = uint32_t(state.range(0));
  const auto ticks = size_t(state.range(1));
  const int64_t period = int64_t(periodMs) * platform::CounterFrequency() / 1000;
  std::vector<int64_t> wakes(ticks + 1);
  for (auto _ : state) {
    platform::TEvent tick;
    platform::TPeriodicTimer timer;
    if (!timer.Start(periodMs, tick)) {
      state.SkipWithError("the timer did not start");
      return;
    }
    for (int64_t& wake : wakes) {
      tick.Wait();
      wake = platform::QueryCounter();
    }
    timer.Stop();
  }
  std::vector<int64_t> lateness;
  for (size_t i = 1; i < wakes.size(); ++i) lateness.push_back(wakes[i] - wakes[i - 1] - period);
  const int64_t span = wakes.back() - wakes.front();
  state.counters["late_median_us"] = Microseconds(Percentile(lateness, 0.5));
  state.counters["late_p99_us"] = Microseconds(Percentile(lateness, 0.99));
  state.counters["late_max_us"] = Microseconds(Percentile(lateness, 1.0));
  state.counters["early_max_us"] = -Microseconds(Percentile(lateness, 0.0));
  state.counters["missed_ticks"] = double((span + period / 2) / period - int64_t(ticks));
}
BENCHMARK(PeriodicTimerJitter)
    ->ArgNames({"period_ms", "ticks"})
    ->Args({1, 4000})
    ->Args({20, 200})
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
