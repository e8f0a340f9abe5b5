// Behaviour of the 6510 core that music routines rely on, beyond what the suites exercise.
#include <gtest/gtest.h>

#include "MachineFixture.h"

TEST(CpuEdge, ReadModifyWriteOnSidSendsOldThenNewValue) {
  TRecordingSink sink;
  auto machine = MakeMachine(0x37);
  machine->SetSidSink(&sink);
  // LDA #$0E; STA $D418; INC $D418; INC $D418,X (X=0); INC $18 (zero page: one write)
  Place(*machine, 0x1000, {0xA9, 0x0E, 0x8D, 0x18, 0xD4, 0xEE, 0x18, 0xD4, 0xFE, 0x18, 0xD4});
  for (int i = 0; i < 4; ++i) machine->ExecuteInstruction();
  const std::vector<TSidAccess> expected = {{24, 0x0E, 1}, {24, 0x0E, 1}, {24, 0x0F, 1}, {24, 0x0F, 1}, {24, 0x10, 1}};
  EXPECT_EQ(sink.Writes, expected);
  EXPECT_EQ(machine->SidVolume, 0x10);
  EXPECT_EQ(machine->SidSilent, 1);
}

// A pointer at $FF takes its high byte from $00, as on the chip; $0100 and $1100 hold decoys.
TEST(CpuEdge, PointersWrapWithinTheirPage) {
  struct TCase {
    const char* Name;
    std::initializer_list<uint8_t> Code;
    uint8_t X, Y;
    uint8_t ExpectedA;
    uint16_t ExpectedPc;
  };
  const TCase cases[] = {
      {"JMP ($10FF) takes the high byte from $1000", {0x6C, 0xFF, 0x10}, 0, 0, 0x00, 0x3412},
      {"LDA ($FF),Y", {0xB1, 0xFF}, 0, 1, 0x77, 0x0202},
      {"LDA ($FF,X)", {0xA1, 0xFF}, 0, 0, 0x66, 0x0202},
      {"LDA ($80,X) with X=$7F", {0xA1, 0x80}, 0x7F, 0, 0x66, 0x0202},
  };
  for (const TCase& c : cases) {
    auto machine = MakeMachine();
    Place(*machine, 0x0200, c.Code);
    machine->X = c.X;
    machine->Y = c.Y;
    machine->Ram[0x10FF] = machine->Ram[0x00FF] = 0x12;
    machine->Ram[0x1000] = machine->Ram[0x0000] = 0x34;
    machine->Ram[0x1100] = machine->Ram[0x0100] = 0x56;
    machine->Ram[0x3412] = 0x66;
    machine->Ram[0x3413] = 0x77;
    machine->ExecuteInstruction();
    EXPECT_EQ(machine->A, c.ExpectedA) << c.Name;
    EXPECT_EQ(machine->PC, c.ExpectedPc) << c.Name;
  }
}

TEST(CpuEdge, CycleCountsWithPenalties) {
  struct TCase {
    const char* Name;
    uint8_t X;
    std::initializer_list<uint8_t> Code;
    uint32_t Cycles;
    uint8_t PageCrossed;
  };
  const TCase cases[] = {
      // The page-crossing flag, and cycle counts the single-step recordings do not compare.
      {"LDA abs,X next page", 0xF0, {0xBD, 0x20, 0x20}, 5, 1},
      {"STA abs,X always 5", 0xF0, {0x9D, 0x20, 0x20}, 5, 0},
      {"NOP abs 4", 0x00, {0x0C, 0x20, 0x20}, 4, 0},
      {"NOP abs,X same page 4", 0x01, {0x1C, 0x20, 0x20}, 4, 0},
      {"NOP abs,X next page 5", 0xF0, {0x1C, 0x20, 0x20}, 5, 0},
      {"SHA (zp),Y 6", 0x00, {0x93, 0x20}, 6, 0},
      {"JAM 1", 0x00, {0x02}, 1, 0},
  };
  for (const TCase& c : cases) {
    auto machine = MakeMachine();
    Place(*machine, 0x0300, c.Code);
    machine->X = c.X;
    machine->ExecuteInstruction();
    EXPECT_EQ(machine->InstructionCycles, c.Cycles) << c.Name;
    EXPECT_EQ(machine->PageCrossed, c.PageCrossed) << c.Name;
  }
}

TEST(CpuEdge, BranchTimingAndDelay) {
  struct TCase {
    uint16_t At;
    uint8_t Offset;
    uint8_t Carry;
    uint32_t Cycles;
    uint32_t Delay;
    uint16_t Target;
  };
  const TCase cases[] = {
      {0x0300, 0x10, 1, 2, 0, 0x0302},  // BCC not taken
      {0x0300, 0x10, 0, 3, 1, 0x0312},  // taken in the page: delays an interrupt by one cycle
      {0x0300, 0xF0, 0, 4, 0, 0x02F2},  // taken back across the page
      {0x03F0, 0x20, 0, 4, 0, 0x0412},
  };
  for (const TCase& c : cases) {
    auto machine = MakeMachine();
    Place(*machine, c.At, {0x90, c.Offset});
    machine->FlagC = c.Carry;
    machine->ExecuteInstruction();
    EXPECT_EQ(machine->InstructionCycles, c.Cycles) << std::hex << c.At;
    EXPECT_EQ(machine->BranchDelay, c.Delay) << std::hex << c.At;
    EXPECT_EQ(machine->PC, c.Target);
  }
}

TEST(CpuEdge, DecimalHandlersFollowTheDFlag) {
  auto machine = MakeMachine();
  // SED; CLC; LDA #$09; ADC #$01 -> $10 (decimal); PHP; CLD; ADC #$01 -> $11 (binary)
  Place(*machine, 0x0400, {0xF8, 0x18, 0xA9, 0x09, 0x69, 0x01, 0x08, 0xD8, 0x69, 0x01});
  for (int i = 0; i < 4; ++i) machine->ExecuteInstruction();
  EXPECT_EQ(machine->A, 0x10);
  EXPECT_EQ(machine->FlagC, 0);
  machine->ExecuteInstruction();
  machine->ExecuteInstruction();
  machine->ExecuteInstruction();
  EXPECT_EQ(machine->A, 0x11);
  // PLP of the pushed status (D set) must bring the decimal handlers back: $11 + $09 = $20.
  Place(*machine, 0x0500, {0x28, 0x69, 0x09});
  machine->ExecuteInstruction();
  EXPECT_EQ(machine->FlagD, 1);
  machine->ExecuteInstruction();
  EXPECT_EQ(machine->A, 0x20);
  // SBC decimal and RRA/ISC follow the same switch: $20 - $01 = $19.
  machine->SetStatusByte(0x39);  // D and C set
  Place(*machine, 0x0600, {0xE9, 0x01});
  machine->ExecuteInstruction();
  EXPECT_EQ(machine->A, 0x19);
}

TEST(CpuEdge, StackAbuseWrapsInPageOneAndCountsDepth) {
  struct TStep {
    const char* Name;
    std::initializer_list<uint8_t> Code;
    int Instructions;
    uint8_t Sp;
    int32_t Depth;
  };
  const TStep steps[] = {
      {"PLA at $FF wraps to $00", {0xA2, 0xFF, 0x9A, 0x68}, 3, 0x00, -1},
      {"PHA at $00 wraps to $FF", {0xA2, 0x00, 0x9A, 0x48}, 3, 0xFF, 256},
      {"JSR at $00 writes $0100 and $01FF", {0xA2, 0x00, 0x9A, 0x20, 0x00, 0x05}, 3, 0xFE, 257},
      {"RTS with an empty stack", {0xA2, 0xFF, 0x9A, 0x60}, 3, 0x01, -2},
      {"BRK then RTI balance", {0xA2, 0xFF, 0x9A, 0x00, 0x00}, 4, 0xFF, 0},
      {"TXS resets the depth", {0x48, 0x48, 0xA2, 0x80, 0x9A}, 4, 0x80, 0x7F},
  };
  for (const TStep& s : steps) {
    auto machine = MakeMachine();
    machine->Ram[0xFFFE] = 0x00;  // BRK vector -> $0500, which holds RTI
    machine->Ram[0xFFFF] = 0x05;
    machine->Ram[0x0500] = 0x40;
    Place(*machine, 0x0400, s.Code);
    for (int i = 0; i < s.Instructions; ++i) machine->ExecuteInstruction();
    EXPECT_EQ(machine->SP, s.Sp) << s.Name;
    EXPECT_EQ(machine->StackDepth, s.Depth) << s.Name;
  }
}
