#include "cli/TextScreen.h"

#include "c64/T6510.h"

namespace {

constexpr int Columns = 40;
constexpr int Rows = 25;
// The machine starts a tune without running the KERNAL's reset; until the tune sets $D018, the
// VIC shows what that reset would have chosen: the screen at $0400.
constexpr uint8_t KernalMemorySetup = 0x15;
constexpr uint16_t Cia2PortA = 0xD00;
constexpr uint16_t Cia2DirectionA = 0xD02;
constexpr uint16_t VicMemorySetup = 0x18;

}  // namespace

// Codes 0-31 are "@", the letters and "[£]↑←"; 32-63 match ASCII; the loader's own text is
// stored as ASCII codes, so 64-95 keep their ASCII letters too.
char ScreenCodeToAscii(uint8_t code) {
  static constexpr char Low[] = "@ABCDEFGHIJKLMNOPQRSTUVWXYZ[#]^_";
  const uint8_t c = code & 0x7F;
  if (c < 32) return Low[c];
  if (c < 96) return char(c);
  return '.';
}

uint16_t ScreenAddress(const T6510& machine) {
  // Port pins set as inputs are pulled high.
  const uint8_t port =
      uint8_t(machine.IoShadow[Cia2PortA] | uint8_t(~machine.IoShadow[Cia2DirectionA]));
  const uint16_t bankBase = uint16_t((3 - (port & 3)) * 0x4000);
  const uint8_t setup = machine.IoShadow[VicMemorySetup] ? machine.IoShadow[VicMemorySetup] : KernalMemorySetup;
  return uint16_t(bankBase + (setup >> 4) * 0x400);
}

std::string TextScreen(const T6510& machine) {
  const uint16_t base = ScreenAddress(machine);
  std::string screen;
  for (int row = 0; row < Rows; ++row) {
    std::string line;
    for (int column = 0; column < Columns; ++column)
      line += ScreenCodeToAscii(machine.Ram[uint16_t(base + row * Columns + column)]);
    line.erase(line.find_last_not_of(' ') + 1);
    screen += line;
    screen += '\n';
  }
  return screen;
}
