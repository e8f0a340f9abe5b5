// Static checks of the built-in firmware: the bytes at the documented entry points and vectors,
// the power-on RAM image and the character set.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "firmware/FirmwareImages.h"

namespace {

using namespace firmware;

static_assert(Kernal.size() == 8192 && Basic.size() == 8192);
static_assert(Chars.size() == 4096 && PowerOn.size() == 4096);

uint8_t KernalByte(uint16_t address) { return Kernal[address - KernalStart]; }
uint16_t KernalWord(uint16_t address) {
  return static_cast<uint16_t>(KernalByte(address) | KernalByte(address + 1) << 8);
}
uint16_t RamWord(uint16_t address) {
  return static_cast<uint16_t>(PowerOn[address] | PowerOn[address + 1] << 8);
}
constexpr uint8_t JMP_INDIRECT = 0x6C;

// Running every entry (FirmwareRun) cannot tell which RAM vector an entry goes through.
TEST(FirmwareKernal, VectoredJumpTableEntriesUseTheirDocumentedVectors) {
  const std::pair<uint16_t, uint16_t> vectored[] = {
      {0xFFC0, 0x031A}, {0xFFC3, 0x031C}, {0xFFC6, 0x031E}, {0xFFC9, 0x0320}, {0xFFCC, 0x0322},
      {0xFFCF, 0x0324}, {0xFFD2, 0x0326}, {0xFFE1, 0x0328}, {0xFFE4, 0x032A}, {0xFFE7, 0x032C}};
  for (const auto& [entry, vector] : vectored) {
    EXPECT_EQ(KernalByte(entry), JMP_INDIRECT) << std::hex << entry;
    EXPECT_EQ(KernalWord(entry + 1), vector) << std::hex << entry;
  }
}

TEST(FirmwarePowerOn, VectorsPointIntoTheKernalAndMatchRestor) {
  EXPECT_EQ(RamWord(0x0314), IrqHandler);
  EXPECT_EQ(RamWord(0x0316), BrkHandler);
  EXPECT_EQ(RamWord(0x0318), NmiHandler);
  // RESTOR copies its table at $FD30 to $0314-$0333: both must agree.
  for (uint16_t offset = 0; offset < 32; offset += 2) {
    EXPECT_EQ(RamWord(0x0314 + offset), KernalWord(0xFD30 + offset)) << offset;
    EXPECT_GT(RamWord(0x0314 + offset), KernalBasicTrap) << offset;
  }
}

TEST(FirmwarePowerOn, MachineStateAfterStart) {
  EXPECT_EQ(PowerOn[0x00], 0x2F);
  EXPECT_EQ(PowerOn[0x01], 0x37);
  EXPECT_EQ(PowerOn[0x02A6], 1);                     // PAL
  EXPECT_EQ(RamWord(0x2B), 0x0801);                  // start of BASIC text
  EXPECT_EQ(PowerOn[0x0800], 0);
  EXPECT_EQ(RamWord(0x0801), 0);                     // no program
  EXPECT_EQ(RamWord(0xD1), 0x0400);                  // cursor line on screen
  EXPECT_EQ(RamWord(0xF3), 0xD800);                  // and in colour RAM
  EXPECT_EQ(PowerOn[0x0288], 0x04);                  // screen page
  EXPECT_EQ(PowerOn[0x9A], 3);                       // output to the screen
  EXPECT_EQ(PowerOn[0x79], 0xAD);                    // CHRGOT: LDA with the text pointer
  EXPECT_TRUE(std::all_of(PowerOn.begin() + 0x0400, PowerOn.begin() + 0x07E8,
                          [](uint8_t b) { return b == 0x20; }));
  // The keyboard decode table and its selector live at the addresses the vectors give.
  EXPECT_EQ(RamWord(0xF5), 0xEB81);
  EXPECT_EQ(RamWord(0x028F), 0xEB48);
  EXPECT_EQ(KernalByte(0xEB81 + 60), ' ');           // matrix code 60: space
  EXPECT_EQ(KernalByte(0xEB81 + 64), 0xFF);          // no key
}

using Glyph = std::vector<uint8_t>;
Glyph GlyphOf(int set, int code) {
  const auto first = Chars.begin() + set * 2048 + code * 8;
  return {first, first + 8};
}

TEST(FirmwareChars, UpperHalfIsTheReversedLowerHalf) {
  for (int set = 0; set < 2; ++set)
    for (int code = 0; code < 128; ++code) {
      Glyph normal = GlyphOf(set, code), reversed = GlyphOf(set, code + 128);
      for (auto& row : normal) row = static_cast<uint8_t>(~row);
      EXPECT_EQ(normal, reversed) << set << ' ' << code;
    }
}

TEST(FirmwareChars, TextGlyphsAreDistinctAndOnlySpaceIsBlank) {
  const Glyph blank(8, 0);
  for (int set = 0; set < 2; ++set) {
    std::set<Glyph> seen;
    for (int code = 0; code < 64; ++code) {
      const Glyph glyph = GlyphOf(set, code);
      EXPECT_EQ(glyph == blank, code == 0x20) << set << ' ' << code;
      EXPECT_TRUE(seen.insert(glyph).second) << "duplicate glyph " << set << ' ' << code;
    }
  }
  // The lower-case set has the capitals at 65-90, the same shapes as the upper-case set's 1-26.
  for (int letter = 1; letter <= 26; ++letter) {
    EXPECT_EQ(GlyphOf(1, 64 + letter), GlyphOf(0, letter)) << letter;
    EXPECT_NE(GlyphOf(1, letter), GlyphOf(0, letter)) << letter;
  }
}

}  // namespace
