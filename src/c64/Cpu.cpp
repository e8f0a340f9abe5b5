// Execution state of the 6510: status byte, arithmetic handler switching and the instructions
// that meet the interrupt logic (BRK, RTI, CLI, PLP).
#include "c64/T6510.h"

namespace {

// ADC, RRA and ARR ($6x/$7x) and SBC and ISC ($Ex/$Fx): the slots whose arithmetic follows D.
constexpr std::array<uint8_t, 32> ArithmeticSlots = {
    0x61, 0x63, 0x65, 0x67, 0x69, 0x6B, 0x6D, 0x6F, 0x71, 0x73, 0x75, 0x77, 0x79, 0x7B, 0x7D, 0x7F,
    0xE1, 0xE3, 0xE5, 0xE7, 0xE9, 0xEB, 0xED, 0xEF, 0xF1, 0xF3, 0xF5, 0xF7, 0xF9, 0xFB, 0xFD, 0xFF};

}  // namespace

void T6510::SetDecimalHandlers() {
  const THandlerTable& decimal = DecimalHandlers();
  for (const uint8_t slot : ArithmeticSlots) OpcodeHandlers[slot] = decimal[slot];
}

void T6510::SetBinaryHandlers() {
  const THandlerTable& binary = BinaryHandlers();
  for (const uint8_t slot : ArithmeticSlots) OpcodeHandlers[slot] = binary[slot];
}

uint8_t T6510::StatusByte() const {
  return static_cast<uint8_t>(FlagC | FlagZ << 1 | FlagI << 2 | FlagD << 3 | FlagB << 4 |
                              FlagU << 5 | FlagV << 6 | FlagN << 7);
}

void T6510::SetStatusByte(uint8_t status) {
  FlagC = status & 1;
  FlagZ = (status >> 1) & 1;
  FlagI = (status >> 2) & 1;
  FlagB = (status >> 4) & 1;
  FlagU = (status >> 5) & 1;
  FlagV = (status >> 6) & 1;
  FlagN = status >> 7;
  const uint8_t decimal = (status >> 3) & 1;
  if (decimal == FlagD) return;
  FlagD = decimal;
  if (decimal) {
    SetDecimalHandlers();
  } else {
    SetBinaryHandlers();
  }
}

uint16_t T6510::VectorWord(uint16_t address) const {
  // With HIRAM set the CPU fetches its vectors from the KERNAL, whatever lies in RAM beneath.
  if ((PortValue & 2) && !PlaySidMode) {
    const uint32_t offset = address - 0xE000u;
    return static_cast<uint16_t>(KernalRom[offset] | KernalRom[offset + 1] << 8);
  }
  return static_cast<uint16_t>(Ram[address] | Ram[address + 1] << 8);
}

void T6510::Break() {
  InstructionCycles = 7;
  if (PlaySidMode) {
    PC = 0xFFFE;
    return;
  }
  ++PC;
  FlagB = 1;
  if (NmiStarting) {
    // The NMI that is being started takes over this BRK's push, with B set.
    KeepBFlag = 1;
    return;
  }
  Push(static_cast<uint8_t>(PC >> 8));
  Push(static_cast<uint8_t>(PC));
  Push(StatusByte() | 0x20);
  FlagI = 1;
  CyclesToNextEvent = 0;
  PC = VectorWord(0xFFFE);
  StackDepth += 3;
}

void T6510::ReturnFromInterrupt() {
  InstructionCycles = 6;
  CyclesToNextEvent = 0;
  if (!RealC64Mode) {
    VicIrqInService = 0;
    CiaIrqInService = 0;
    if (NmiInService) {
      NmiInService = 0;
    } else if (PlayAddress != 0) {
      // The play routine was called by the interrupt: its end sends the CPU idle.
      PC = 0xFFFF;
      SP = 0xFD;
      return;
    }
  } else if (NmiInService) {
    NmiInService = 0;
  } else {
    ReraisePendingIrqs();
    CiaIrqInService = 0;
    VicIrqInService = 0;
  }
  IrqWasEnabled = !FlagI;
  SetStatusByte(Pull());
  const uint8_t low = Pull();
  PC = static_cast<uint16_t>(low | Pull() << 8);
  StackDepth -= 3;
}

void T6510::PullStatus() {
  InstructionCycles = 4;
  const uint8_t wasDisabled = FlagI;
  SetStatusByte(Pull() | 0x30);
  --StackDepth;
  IrqWasEnabled = !wasDisabled;
  if (wasDisabled && !FlagI) {
    ReraisePendingIrqs();
    CyclesToNextEvent = 0;
  }
}

void T6510::ClearInterruptFlag() {
  InstructionCycles = 2;
  IrqWasEnabled = 0;
  FlagI = 0;
  CyclesToNextEvent = 0;
  ReraisePendingIrqs();
}

void T6510::ReraisePendingIrqs() {
  if (IcrData[0] & 0x80) {
    CiaIrqPending = 1;
    IrqOffset = 0;
  }
  if ((IoShadow[0x019] & 0x80) && (IoShadow[0x01A] & 1)) {
    VicIrqPending = 1;
    IrqOffset = 0;
  }
}
