#include "platform/Event.h"

#include <chrono>

namespace platform {

void TEvent::Signal() {
  {
    std::lock_guard<std::mutex> guard(Lock);
    Signalled = true;
  }
  Changed.notify_one();
}

void TEvent::Reset() {
  std::lock_guard<std::mutex> guard(Lock);
  Signalled = false;
}

bool TEvent::Wait(uint32_t timeoutMs) {
  std::unique_lock<std::mutex> guard(Lock);
  if (!Changed.wait_for(guard, std::chrono::milliseconds(timeoutMs), [this] { return Signalled; }))
    return false;
  Signalled = false;
  return true;
}

void TEvent::Wait() {
  std::unique_lock<std::mutex> guard(Lock);
  Changed.wait(guard, [this] { return Signalled; });
  Signalled = false;
}

}  // namespace platform
