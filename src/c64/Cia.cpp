// The two CIA 6526 chips: keyboard and serial ports.
#include "c64/T6510.h"

uint8_t T6510::ReadCia(uint16_t address) {
  const uint32_t base = address & 0xF00;
  const uint32_t reg = address & 0x0F;
  const uint8_t* shadow = &IoShadow[base];
  if (base == 0xC00 && reg <= 1) return static_cast<uint8_t>(~shadow[reg + 2] | shadow[reg]);
  if (base == 0xD00 && reg == 0) {
    return static_cast<uint8_t>(((~shadow[2] | shadow[0]) & 0x3F) | (~shadow[0] & 0xC0));
  }
  if (base == 0xD00 && reg == 1) return static_cast<uint8_t>(~shadow[3] | shadow[1]);
  return shadow[reg];
}

void T6510::WriteCia(uint16_t address, uint8_t value) {
  IoShadow[(address & 0xF00) | (address & 0x0F)] = value;
}

void T6510::PreliminaryCiaRead(uint16_t) {}
