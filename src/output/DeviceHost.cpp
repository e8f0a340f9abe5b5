#include "output/DeviceHost.h"

#include <chrono>
#include <thread>

namespace {

void NoMessages() {}
bool NeverActive() { return false; }
void KeepPriority(platform::TPriorityClass) {}
void StandardYield() { std::this_thread::yield(); }
void StandardSleep(uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace

TDeviceHost& DeviceHost() {
  static TDeviceHost host{NoMessages, NeverActive, KeepPriority, StandardYield, StandardSleep};
  return host;
}

void WaitProcessingMessages(uint32_t ms) {
  constexpr uint32_t Step = 10;
  for (uint32_t waited = 0; waited < ms; waited += Step) {
    DeviceHost().ProcessMessages();
    DeviceHost().SleepMs(ms - waited < Step ? ms - waited : Step);
  }
}
