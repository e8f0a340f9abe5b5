// The VIC-II as a music routine sees it.
#include "c64/T6510.h"

uint8_t T6510::ReadVic(uint16_t address) {
  const uint32_t reg = address & 0x3F;
  switch (reg) {
    case 0x19:
      return IoShadow[reg] | 0x70;
    case 0x1A:
      return IoShadow[reg] | 0xF0;
    default:
      return IoShadow[reg];
  }
}

void T6510::WriteVic(uint16_t address, uint8_t value) {
  IoShadow[address & 0x3F] = value;
}
