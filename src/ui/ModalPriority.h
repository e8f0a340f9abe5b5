#pragma once
// While a modal window is open the process runs in the normal priority class, so that the user's
// other programs stay responsive; the high class returns once the window has closed. Holds for
// the lifetime of the object, created just before the window opens.
#include "c64/T6510.h"

class TModalPriority {
 public:
  explicit TModalPriority(T6510& machine) : Machine(machine) { Set(TSidDevice::NormalClass); }
  ~TModalPriority() { Set(TSidDevice::HighClass); }
  TModalPriority(const TModalPriority&) = delete;
  TModalPriority& operator=(const TModalPriority&) = delete;

 private:
  void Set(int32_t priorityClass) { Machine.Devices->SetPriority(Machine.Writer->CurrentDevice, priorityClass); }

  T6510& Machine;
};
