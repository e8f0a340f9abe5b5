// Klaus Dormann's functional test and Bruce Clark's decimal test, run through the memory map.
#include <gtest/gtest.h>

#include <algorithm>

#include "MachineFixture.h"

namespace {

// Runs until the program counter sticks (a JMP * or branch-to-self trap) or the budget ends.
uint16_t RunToTrap(T6510& machine, uint64_t maxInstructions) {
  for (uint64_t i = 0; i < maxInstructions; ++i) {
    const uint16_t before = machine.PC;
    machine.ExecuteInstruction();
    if (machine.PC == before) return before;
  }
  return machine.PC;
}

// Length of a documented opcode, and whether its operand is a zero-page address.
int OpcodeLength(uint8_t op) {
  const uint8_t mode = op & 0x1F;
  if (op == 0x20 || mode == 0x0C || mode == 0x0D || mode == 0x0E || mode == 0x19 || mode == 0x1C ||
      mode == 0x1D || mode == 0x1E) {
    return 3;
  }
  if (op == 0x00 || op == 0x40 || op == 0x60 || mode == 0x08 || mode == 0x0A || mode == 0x18 ||
      mode == 0x1A) {
    return 1;
  }
  return 2;
}
bool HasZeroPageOperand(uint8_t op) {
  const uint8_t mode = op & 0x1F;
  return mode == 0x01 || mode == 0x04 || mode == 0x05 || mode == 0x06 || mode == 0x11 ||
         mode == 0x14 || mode == 0x15 || mode == 0x16;
}

}  // namespace

TEST(CpuSuite, DormannFunctionalTestReachesItsSuccessTrap) {
  const auto image = ReadFileBytes(TestData("cpu/klaus_functional/6502_functional_test.bin"));
  if (image.size() != 0x10000) GTEST_SKIP() << "Dormann functional test image not found in " VEXLOR_TESTDATA;
  auto machine = MakeMachine();
  // The image is copied as it is, $00/$01 included; the port keeps RAM everywhere.
  std::copy(image.begin(), image.end(), machine->Ram.begin());
  machine->PC = 0x0400;
  const uint16_t trap = RunToTrap(*machine, 200'000'000);
  EXPECT_EQ(trap, 0x3469) << "trapped at $" << std::hex << trap << " (look it up in the listing)";
}

TEST(CpuSuite, DecimalTestAgreesOnEveryOperandPair) {
  const auto code = ReadFileBytes(TestData("cpu/klaus_decimal/6502_decimal_test.bin"));
  if (code.empty()) GTEST_SKIP() << "decimal test binary not found in " VEXLOR_TESTDATA;
  // Its variables sit at $00-$10, where the C64 has its processor port; they are moved up by
  // $20 by rewriting every zero-page operand of the (purely linear) code.
  constexpr uint8_t Shift = 0x20;
  auto machine = MakeMachine();
  std::copy(code.begin(), code.end(), machine->Ram.begin() + 0x0200);
  for (size_t at = 0; at < code.size(); at += static_cast<size_t>(OpcodeLength(code[at]))) {
    if (HasZeroPageOperand(code[at])) machine->Ram[0x0200 + at + 1] += Shift;
  }
  machine->PC = 0x0200;
  constexpr uint16_t Done = 0x024B;
  uint64_t instructions = 0;
  while (machine->PC != Done && instructions < 100'000'000) {
    machine->ExecuteInstruction();
    ++instructions;
  }
  ASSERT_EQ(machine->PC, Done);
  EXPECT_EQ(machine->Ram[0x0B + Shift], 0) << "ERROR flag set; N1=" << int(machine->Ram[Shift])
                                             << " N2=" << int(machine->Ram[Shift + 1]);
}
