#include "platform/Clock.h"

#include <time.h>

namespace platform {

int64_t QueryCounter() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

int64_t CounterFrequency() { return 1'000'000'000; }

}  // namespace platform
