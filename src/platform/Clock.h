#pragma once
// High-resolution counter: a monotonic clock counted in ticks.
#include <cstdint>

namespace platform {

// Current value of the monotonic counter in ticks.
int64_t QueryCounter();

// Ticks per second of QueryCounter (1,000,000,000: the counter counts nanoseconds).
int64_t CounterFrequency();

// Blocks the calling thread until QueryCounter reaches deadline (an absolute counter value),
// so that a sequence of waits on deadlines does not drift.
void SleepUntil(int64_t deadline);

}  // namespace platform
