// A stand-in for the HardSID vendor library. Built complete, as an older library that stops
// after "HardSID_Flush" and has no soft flush (SIMULATED_HARDSID_OLD), and as a broken one
// without "ReadFromHardSID" (SIMULATED_HARDSID_WITHOUT_READ). The driver only looks for the
// functions it never calls, so those do nothing here.
#include <cstring>
#include <vector>

#include "SimulatedHardSID.h"

namespace {

uint8_t Chips = 0;
uint8_t OscillatorValue = 0;
std::vector<TSimulatedCall> Log;

void Record(const char* function, int32_t device, int32_t reg = -1, int32_t cycles = -1,
            int32_t data = -1) {
  TSimulatedCall call{};
  std::strncpy(call.Function, function, sizeof call.Function - 1);
  call.Device = device;
  call.Reg = reg;
  call.Cycles = cycles;
  call.Data = data;
  Log.push_back(call);
}

uint8_t Answer(uint8_t reg) { return reg == 27 ? OscillatorValue : 0; }

}  // namespace

extern "C" {

void SimulatedHardSID_Setup(uint8_t chips, uint8_t oscillatorValue) {
  Chips = chips;
  OscillatorValue = oscillatorValue;
  Log.clear();
}

int32_t SimulatedHardSID_CallCount() { return int32_t(Log.size()); }

const TSimulatedCall* SimulatedHardSID_Calls() { return Log.data(); }

void WriteToHardSID(uint8_t device, uint8_t reg, uint8_t data) {
  Record("WriteToHardSID", device, reg, -1, data);
}

#ifndef SIMULATED_HARDSID_WITHOUT_READ
uint8_t ReadFromHardSID(uint8_t device, uint8_t reg) {
  Record("ReadFromHardSID", device, reg);
  return Answer(reg);
}
#endif

uint8_t GetHardSIDCount() {
  Record("GetHardSIDCount", -1);
  return Chips;
}

void HardSID_Delay(uint8_t device, uint16_t cycles) { Record("HardSID_Delay", device, -1, cycles); }

uint8_t HardSID_Devices() {
  Record("HardSID_Devices", -1);
  return Chips;
}

void HardSID_Filter(uint8_t device, bool on) { Record("HardSID_Filter", device, -1, -1, on); }

void HardSID_Flush(uint8_t device) { Record("HardSID_Flush", device); }

#ifndef SIMULATED_HARDSID_OLD
void HardSID_SoftFlush(uint8_t device) { Record("HardSID_SoftFlush", device); }

void HardSID_Mute(uint8_t, uint8_t, bool) {}

void HardSID_MuteAll(uint8_t device, bool on) { Record("HardSID_MuteAll", device, -1, -1, on); }

void HardSID_Reset(uint8_t device) { Record("HardSID_Reset", device); }

uint8_t HardSID_Read(uint8_t device, uint16_t cycles, uint8_t reg) {
  Record("HardSID_Read", device, reg, cycles);
  return Answer(reg);
}

void HardSID_Sync(uint8_t) {}

void HardSID_Write(uint8_t device, uint16_t cycles, uint8_t reg, uint8_t data) {
  Record("HardSID_Write", device, reg, cycles, data);
}

uint16_t HardSID_Version() { return 0x0203; }

void HardSID_Reset2(uint8_t, uint8_t) {}

bool HardSID_Lock(uint8_t) { return true; }

void HardSID_Unlock(uint8_t) {}
#endif
}
