#include "platform/Clock.h"

#include <errno.h>
#include <time.h>

namespace platform {

int64_t QueryCounter() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

int64_t CounterFrequency() { return 1'000'000'000; }

void SleepUntil(int64_t deadline) {
  const timespec until{time_t(deadline / 1'000'000'000), long(deadline % 1'000'000'000)};
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
  }
}

}  // namespace platform
