#pragma once
// Thread and process scheduling, best effort: a request the system refuses is ignored.
#include <cstdint>

namespace platform {

enum class TThreadPriority { Idle, Lowest, BelowNormal, Normal, AboveNormal, Highest, TimeCritical };
enum class TPriorityClass { Idle, BelowNormal, Normal, AboveNormal, High, Realtime };

// Pins the calling thread to the given processor (0-based).
void SetThreadAffinity(unsigned processor);
void SetThreadPriority(TThreadPriority priority);
void SetProcessPriorityClass(TPriorityClass priorityClass);
// Gives up the rest of the calling thread's time slice.
void YieldThread();
void SleepMs(uint32_t ms);

}  // namespace platform
