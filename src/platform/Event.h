#pragma once
// Auto-reset event: Signal wakes exactly one waiter (or the next one to wait) and resets itself.
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace platform {

class TEvent {
 public:
  void Signal();
  void Reset();
  // Waits until signalled or until timeoutMs have passed; true when signalled.
  bool Wait(uint32_t timeoutMs);
  // Waits without limit.
  void Wait();

 private:
  std::mutex Lock;
  std::condition_variable Changed;
  bool Signalled = false;
};

}  // namespace platform
