#pragma once
// What the SID output layer borrows from the program around it, and the few values that every
// device and the write stream share across threads.
#include <atomic>
#include <cstdint>

#include "platform/Threads.h"

// Services the devices call while they wait or pace. The defaults are the platform's scheduling
// and a program without windows; the desktop program installs its message pump and focus test
// at start-up, before any player thread runs. Tests replace them to watch the pacing.
struct TDeviceHost {
  // Lets the user interface answer pending events while a device waits on the caller's thread.
  void (*ProcessMessages)();
  // True while the program has the input focus: pacing then keeps the processor for itself.
  bool (*ApplicationActive)();
  void (*SetProcessPriority)(platform::TPriorityClass priorityClass);
  void (*YieldThread)();
  void (*SleepMs)(uint32_t ms);
};

TDeviceHost& DeviceHost();

// Waits ms milliseconds in short sleeps, letting the user interface answer meanwhile.
void WaitProcessingMessages(uint32_t ms);

// The counter value of the moment the most recent write was released to a chip (0 = unset).
// Written by whichever thread paces, read by the write stream's voice detection.
inline std::atomic<int64_t> SharedNow{0};

// Both sockets of a Catweasel MK4 play the same stream (the "force dual playback" setting).
inline std::atomic<bool> Mk4StereoPlayback{false};
