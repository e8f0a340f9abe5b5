#pragma once
// Thread and process scheduling, best effort: a request the system refuses is ignored.
//
// Priorities map onto nice values, as Windows derives a thread's priority from its process's
// class and the thread's own step: the class gives a base (Idle 19, BelowNormal 5, Normal 0,
// AboveNormal -5, High -10, Realtime -20) and each thread step adds 5 (Lowest +10 ...
// Highest -10); Idle and TimeCritical pin a thread to 19 and -20. Real-time scheduling
// policies are never used: the program busy-waits at its highest priorities, and a real-time
// policy would let it starve the whole system. Without the right to raise priorities
// (CAP_SYS_NICE or RLIMIT_NICE) only lowering succeeds.
#include <cstdint>

namespace platform {

enum class TThreadPriority { Idle, Lowest, BelowNormal, Normal, AboveNormal, Highest, TimeCritical };
enum class TPriorityClass { Idle, BelowNormal, Normal, AboveNormal, High, Realtime };

// Pins the calling thread to the given processor (0-based).
void SetThreadAffinity(unsigned processor);
// Sets the calling thread's priority within the process's class.
void SetThreadPriority(TThreadPriority priority);
// Sets the class of the whole process; every thread keeps its own step within it.
void SetProcessPriorityClass(TPriorityClass priorityClass);
// The last priority and class that the system accepted (Normal before any change), so that a
// caller can restore them after a short raise.
TThreadPriority CurrentThreadPriority();
TPriorityClass CurrentProcessPriorityClass();
// Gives up the rest of the calling thread's time slice.
void YieldThread();
void SleepMs(uint32_t ms);

}  // namespace platform
