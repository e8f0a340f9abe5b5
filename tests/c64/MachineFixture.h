#pragma once
// Shared helpers of the C64 machine tests: a machine with chosen banking and a SID sink that
// records what reaches it.
#include <cstdint>
#include <memory>
#include <vector>

#include "TestFiles.h"
#include "c64/T6510.h"
#include "output/SidSink.h"

struct TSidAccess {
  uint8_t Reg;
  uint8_t Value;
  uint32_t Cycles;
  bool operator==(const TSidAccess&) const = default;
};

class TRecordingSink : public TSidSink {
 public:
  bool WriteSid(uint8_t reg, uint8_t value, uint32_t cycles) override {
    Writes.push_back({reg, value, cycles});
    return true;
  }
  // Oscillator 3 and envelope 3 get the answer; a write-only register keeps the machine's guess.
  void ReadSid(uint8_t reg, uint32_t cycles, uint8_t& value) override {
    Reads.push_back({reg, value, cycles});
    if (reg == 27 || reg == 28) value = Answer;
  }
  std::vector<TSidAccess> Writes;
  std::vector<TSidAccess> Reads;
  uint8_t Answer = 0;
};

// Port data $30 with direction $2F leaves bits 0-2 clear: RAM everywhere but $00/$01.
inline std::unique_ptr<T6510> MakeMachine(uint8_t portData = 0x30) {
  auto machine = std::make_unique<T6510>();
  machine->WritePortDirection(0x2F);
  machine->WritePortData(portData);
  return machine;
}

// Places code at an address and points the CPU at it.
inline void Place(T6510& machine, uint16_t address, std::initializer_list<uint8_t> bytes) {
  uint16_t at = address;
  for (const uint8_t byte : bytes) machine.Ram[at++] = byte;
  machine.PC = address;
}
