#pragma once
// High-resolution counter: a monotonic clock counted in ticks.
#include <cstdint>

namespace platform {

// Current value of the monotonic counter in ticks.
int64_t QueryCounter();

// Ticks per second of QueryCounter (1,000,000,000: the counter counts nanoseconds).
int64_t CounterFrequency();

}  // namespace platform
