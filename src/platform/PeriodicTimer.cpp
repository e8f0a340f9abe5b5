#include "platform/PeriodicTimer.h"

#include <system_error>

#include "platform/Clock.h"
#include "platform/Threads.h"

namespace platform {

TPeriodicTimer::~TPeriodicTimer() { Stop(); }

bool TPeriodicTimer::Start(uint32_t periodMs, TEvent& target) {
  Stop();
  if (periodMs == 0) return false;
  StopRequested = false;
  try {
    Thread = std::thread(&TPeriodicTimer::Run, this, periodMs, &target);
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void TPeriodicTimer::Stop() {
  if (!Thread.joinable()) return;
  StopRequested = true;
  Thread.join();
}

void TPeriodicTimer::Run(uint32_t periodMs, TEvent* target) {
  // The tick paces the player; like a multimedia timer it runs above everything it wakes.
  SetThreadPriority(TThreadPriority::TimeCritical);
  const int64_t period = int64_t(periodMs) * CounterFrequency() / 1000;
  int64_t deadline = QueryCounter() + period;
  while (!StopRequested) {
    SleepUntil(deadline);
    if (StopRequested) break;
    target->Signal();
    deadline += period;
    // After a stall the missed ticks are dropped rather than delivered as a burst.
    const int64_t behind = QueryCounter() - deadline;
    if (behind >= period) deadline += behind / period * period;
  }
}

void OneShotWait(uint32_t ms) { SleepMs(ms); }

}  // namespace platform
