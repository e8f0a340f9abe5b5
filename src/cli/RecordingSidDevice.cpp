#include "cli/RecordingSidDevice.h"

// The dummy register only carries time; it is passed on like any write, as a card gets it.
bool TRecordingSidDevice::Write(int32_t, uint8_t reg, uint32_t cycles, uint8_t value) {
  StreamCycle += cycles;
  Registers[reg % Registers.size()] = value;
  if (Listener) Listener->SidWrite({StreamCycle, C64Clock ? C64Clock() : 0, reg, value});
  return true;
}

// No chip answers: the machine keeps the byte its I/O image holds.
bool TRecordingSidDevice::Read(int32_t, uint8_t, uint32_t cycles, uint8_t&) {
  StreamCycle += cycles;
  return true;
}

int32_t TRecordingSidDevice::Delay(int32_t, int32_t) { return 0; }

void TRecordingSidDevice::ClearBuffer(int32_t) {}

void TRecordingSidDevice::Commit(int32_t) {}

bool TRecordingSidDevice::ResetDevice(int32_t, uint8_t) {
  Registers.fill(0);
  return true;
}

std::string TRecordingSidDevice::GetName(int32_t chip) const { return "Recorder " + std::to_string(chip); }
