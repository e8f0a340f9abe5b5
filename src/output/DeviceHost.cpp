#include "output/DeviceHost.h"

namespace {

void NoMessages() {}
bool NeverActive() { return false; }

}  // namespace

TDeviceHost& DeviceHost() {
  static TDeviceHost host{NoMessages, NeverActive, platform::SetProcessPriorityClass,
                          platform::YieldThread, platform::SleepMs};
  return host;
}

void WaitProcessingMessages(uint32_t ms) {
  constexpr uint32_t Step = 10;
  for (uint32_t waited = 0; waited < ms; waited += Step) {
    DeviceHost().ProcessMessages();
    DeviceHost().SleepMs(ms - waited < Step ? ms - waited : Step);
  }
}
