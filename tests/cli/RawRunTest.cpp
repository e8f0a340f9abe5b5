// Raw runs: the stop rules, plain memory at $00/$01 and the cycle count.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "cli/RawRun.h"

namespace {

TRawResult RunAt(const std::vector<uint8_t>& program, uint16_t at, std::optional<uint16_t> stop = {},
               uint64_t limit = 1'000'000) {
  TRawSetup setup;
  setup.LoadAddress = at;
  setup.StartAddress = at;
  setup.StopAddress = stop;
  setup.CycleLimit = limit;
  return RunRawProgram(program, setup);
}

}  // namespace

TEST(RawRun, StopRules) {
  const struct {
    const char* Name;
    std::vector<uint8_t> Program;
    uint16_t At;
    std::optional<uint16_t> Stop;
    uint64_t Limit;
    TRawStop Reason;
    uint16_t PC;
    uint64_t Cycles;  // the least the run takes
    uint64_t Instructions;
  } cases[] = {
      // LDA #$42; STA $0400; JMP *
      {"a jump to itself", {0xA9, 0x42, 0x8D, 0x00, 0x04, 0x4C, 0x05, 0x10}, 0x1000, {}, 1'000'000, TRawStop::Trap,
       0x1005, 2 + 4 + 3, 3},
      // LDX #$00; BEQ * (taken: 3 cycles)
      {"a branch to itself", {0xA2, 0x00, 0xF0, 0xFE}, 0x2000, {}, 1'000'000, TRawStop::Trap, 0x2002, 2 + 3, 2},
      // INX; INX; INX; JMP *  with a stop at the third INX
      {"the stop address, before it runs", {0xE8, 0xE8, 0xE8, 0x4C, 0x03, 0x30}, 0x3000, 0x3002, 1'000'000,
       TRawStop::StopAddress, 0x3002, 2 + 2, 2},
      // A loop over two instructions never repeats one address: INX; JMP $1000
      {"the cycle limit", {0xE8, 0x4C, 0x00, 0x10}, 0x1000, {}, 1000, TRawStop::CycleLimit, 0x1000, 1000, 0},
  };
  for (const auto& c : cases) {
    const TRawResult result = RunAt(c.Program, c.At, c.Stop, c.Limit);
    EXPECT_EQ(result.Reason, c.Reason) << c.Name;
    EXPECT_GE(result.Cycles, c.Cycles) << c.Name;
    EXPECT_LT(result.Cycles, c.Cycles + (c.Reason == TRawStop::CycleLimit ? 10 : 1)) << c.Name;
    if (c.Reason == TRawStop::CycleLimit) continue;
    EXPECT_EQ(result.PC, c.PC) << c.Name;
    EXPECT_EQ(result.Instructions, c.Instructions) << c.Name;
  }
  const TRawResult stored = RunAt(cases[0].Program, 0x1000);
  EXPECT_EQ(stored.A, 0x42);
  EXPECT_EQ(stored.Memory[0x0400], 0x42);
}

TEST(RawRun, ZeroPageAddressesZeroAndOneAreMemory) {
  // LDA #$37; STA $01; LDA #$00; STA $00; INC $01; LDX $01; LDY $00; LDA $A000; JMP *
  const TRawResult result = RunAt({0xA9, 0x37, 0x85, 0x01, 0xA9, 0x00, 0x85, 0x00, 0xE6, 0x01, 0xA6, 0x01,
                                 0xA4, 0x00, 0xAD, 0x00, 0xA0, 0x4C, 0x11, 0x10},
                                0x1000);
  EXPECT_EQ(result.Reason, TRawStop::Trap);
  EXPECT_EQ(result.X, 0x38);
  EXPECT_EQ(result.Y, 0x00);
  // $37 in the port would have banked BASIC in at $A000; the RAM there still reads 0.
  EXPECT_EQ(result.A, 0x00);
}

TEST(RawRun, BreakGoesThroughTheVectorInRam) {
  // BRK at $1000 with the IRQ/BRK vector pointing at a JMP * at $2000.
  std::vector<uint8_t> image(0x10000, 0);
  image[0x1000] = 0x00;
  image[0x2000] = 0x4C;
  image[0x2001] = 0x00;
  image[0x2002] = 0x20;
  image[0xFFFE] = 0x00;
  image[0xFFFF] = 0x20;
  TRawSetup setup;
  setup.StartAddress = 0x1000;
  setup.CycleLimit = 1000;
  const TRawResult result = RunRawProgram(image, setup);
  EXPECT_EQ(result.Reason, TRawStop::Trap);
  EXPECT_EQ(result.PC, 0x2000);
  EXPECT_EQ(result.SP, 0xFC);
}

TEST(RawRun, DropsBytesBeyondTheTopOfMemory) {
  const std::vector<uint8_t> program = {0x4C, 0xFE, 0xFF, 0x99, 0x99};
  const TRawResult result = RunAt(program, 0xFFFE, {}, 100);
  EXPECT_EQ(result.Memory[0xFFFE], 0x4C);
  EXPECT_EQ(result.Memory[0xFFFF], 0xFE);
  EXPECT_EQ(result.Memory[0x0000], 0x00);
}
