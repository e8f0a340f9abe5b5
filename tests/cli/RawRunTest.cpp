// Raw runs: the stop rules, plain memory at $00/$01 and the cycle count.
#include <gtest/gtest.h>

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

TEST(RawRun, StopsAtAJumpToItself) {
  // LDA #$42; STA $0400; JMP *
  const TRawResult result = RunAt({0xA9, 0x42, 0x8D, 0x00, 0x04, 0x4C, 0x05, 0x10}, 0x1000);
  EXPECT_EQ(result.Reason, TRawStop::Trap);
  EXPECT_EQ(result.PC, 0x1005);
  EXPECT_EQ(result.Cycles, 2u + 4u + 3u);
  EXPECT_EQ(result.A, 0x42);
  EXPECT_EQ(result.Memory[0x0400], 0x42);
}

TEST(RawRun, StopsAtABranchToItself) {
  // LDX #$00; BEQ * (taken: 3 cycles)
  const TRawResult result = RunAt({0xA2, 0x00, 0xF0, 0xFE}, 0x2000);
  EXPECT_EQ(result.Reason, TRawStop::Trap);
  EXPECT_EQ(result.PC, 0x2002);
  EXPECT_EQ(result.Cycles, 2u + 3u);
}

TEST(RawRun, StopsBeforeTheStopAddress) {
  // INX; INX; INX; JMP *  with a stop at the third INX
  const TRawResult result = RunAt({0xE8, 0xE8, 0xE8, 0x4C, 0x03, 0x30}, 0x3000, 0x3002);
  EXPECT_EQ(result.Reason, TRawStop::StopAddress);
  EXPECT_EQ(result.PC, 0x3002);
  EXPECT_EQ(result.X, 2);
  EXPECT_EQ(result.Instructions, 2u);
}

TEST(RawRun, EndsAtTheCycleLimitWhenNothingStops) {
  // A loop over two instructions never repeats one address: INX; JMP $1000
  const TRawResult result = RunAt({0xE8, 0x4C, 0x00, 0x10}, 0x1000, {}, 1000);
  EXPECT_EQ(result.Reason, TRawStop::CycleLimit);
  EXPECT_GE(result.Cycles, 1000u);
  EXPECT_LT(result.Cycles, 1010u);
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
