// Static checks of the built-in firmware: the vectored jump table entries and the character set.
// Everything else is checked by running it (FirmwareRun).
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
