// The VIC-II as a music routine sees it: the raster counter, the raster interrupt and the
// cycles that bad lines and sprite fetches take from the CPU.
#include <bit>

#include "c64/T6510.h"

namespace {

constexpr uint32_t Jsr = 0x20;
constexpr uint32_t Brk = 0x00;

// How many of the three cycles the VIC waits before taking the bus are lost, given where the
// instruction's first write falls (the CPU is only halted on a read cycle). late, later and
// latest are the positions at which fewer cycles are lost.
uint32_t BusHandoverCycles(uint32_t opcode, int32_t write, int32_t position, int32_t cycles,
                           int32_t late, int32_t later, int32_t latest) {
  if (write == 0) return 3;
  const int32_t at = write + position - cycles;
  if (cycles - write == 1 || opcode == Jsr) return at == late ? 1 : at == later ? 2 : 3;
  if (opcode == Brk) return at == late ? 0 : at == later ? 1 : at == latest ? 2 : 3;
  return at == late ? 2 : 3;
}

}  // namespace

void T6510::StartNewLines() {
  RasterLine = (RasterLine + LineCycle / CyclesPerLine) % LinesPerFrame;
  LineCycle %= CyclesPerLine;
  OnNewLine();
}

void T6510::OnNewLine() {
  if (RasterLine == 48) BadLinesEnabled = (IoShadow[0x11] >> 4) & 1;
  BadLineDone = 0;
  const uint8_t enabled = IoShadow[0x15];
  for (uint32_t sprite = 0; sprite < 8; ++sprite) {
    if (!(enabled & (1u << sprite))) continue;
    SpriteCounted[sprite] = 0;
    const uint32_t y = IoShadow[1 + 2 * sprite];
    if (((y + 1) & 0xFF) == (RasterLine & 0xFF)) {
      SpriteStart[sprite] = y;
      SpriteEnd[sprite] = y + ((IoShadow[0x17] & (1u << sprite)) ? 42 : 21);
    }
  }
  if (RasterLine == RasterCompare) RaiseRasterInterrupt();
}

void T6510::RaiseRasterInterrupt() {
  if (!(IoShadow[0x1A] & 1)) {
    IoShadow[0x19] |= 1;
  } else {
    VicIrqPending = 1;
    IrqOffset = static_cast<int32_t>(InstructionCycles);
    IoShadow[0x19] |= 0x81;
    // The compare on line 0 matches one cycle into the line.
    if (RasterCompare == 0) ExtraDelay = 1;
  }
  CyclesToNextEvent = 0;
}

uint32_t T6510::LineAtInstructionEnd() const {
  if (LineCycle + InstructionCycles >= CyclesPerLine + 1u) return (RasterLine + 1) % LinesPerFrame;
  return RasterLine;
}

uint8_t T6510::ReadVic(uint16_t address) {
  const uint32_t reg = address & 0x3F;
  switch (reg) {
    case 0x11:
      return static_cast<uint8_t>((IoShadow[reg] & 0x7F) | ((LineAtInstructionEnd() & 0x100) >> 1));
    case 0x12:
      return static_cast<uint8_t>(LineAtInstructionEnd());
    case 0x19:
      return IoShadow[reg] | 0x70;
    case 0x1A:
      return IoShadow[reg] | 0xF0;
    default:
      return IoShadow[reg];
  }
}

void T6510::WriteVic(uint16_t address, uint8_t value) {
  const uint32_t reg = address & 0x3F;
  switch (reg) {
    case 0x11:
    case 0x12:
      WriteRasterRegister(reg, value);
      return;
    case 0x15:
      if (value) FirstSprite = static_cast<uint32_t>(std::countr_zero(value));
      break;
    case 0x19:
      AcknowledgeVic(value);
      return;
    case 0x1A:
      WriteVicIrqMask(value);
      return;
    default:
      break;
  }
  IoShadow[reg] = value;
}

void T6510::WriteRasterRegister(uint32_t reg, uint8_t value) {
  AdvanceTimers(TimerPendingCycles);
  const uint32_t before = RasterCompare;
  if (reg == 0x11) {
    RasterCompare = (RasterCompare & 0xFF) | ((value & 0x80u) << 1);
    if (RasterLine == 48 && (value & 0x10)) BadLinesEnabled = 1;
    IoShadow[0x11] = static_cast<uint8_t>((value & 0x7F) | ((RasterLine & 0x100) >> 1));
  } else {
    RasterCompare = (RasterCompare & 0x100) | value;
    IoShadow[0x12] = value;
  }
  const uint32_t lineSoon = LineCycle + 4 >= CyclesPerLine ? (RasterLine + 1) % LinesPerFrame : RasterLine;
  if (RasterCompare != before && RasterCompare == lineSoon) RaiseRasterInterrupt();
  CyclesToNextEvent = 0;
}

// Writing 1 to a latched bit clears it; the IRQ line stays low while an enabled bit remains.
void T6510::AcknowledgeVic(uint8_t value) {
  uint8_t latched = IoShadow[0x19] & static_cast<uint8_t>(~value & 0x0F);
  if (latched & IoShadow[0x1A] & 0x0F) {
    latched |= 0x80;
  } else {
    VicIrqPending = 0;
  }
  IoShadow[0x19] = latched;
}

void T6510::WriteVicIrqMask(uint8_t value) {
  // A PSID tune played on the raster must not switch its own timing source off.
  if (!RealC64Mode && !(TimerStopped[0] && TimerStopped[2])) return;
  IoShadow[0x1A] = value & 0x0F;
  if ((IoShadow[0x19] & 1) && (value & 1)) {
    VicIrqPending = 1;
    IoShadow[0x19] |= 0x80;
  } else {
    VicIrqPending = 0;
    IoShadow[0x19] &= 0x7F;
  }
}

uint32_t T6510::BadLineCycles(uint32_t position) {
  BadLineDone = 1;
  return 40 + BusHandoverCycles(CurrentOpcode, WriteCycleTable[CurrentOpcode], static_cast<int32_t>(position),
                                static_cast<int32_t>(InstructionCycles), 11, 10, 9);
}

bool T6510::SpriteFetchesOnLine(uint32_t sprite) const {
  const uint32_t line = RasterLine;
  if (SpriteStart[sprite] <= line && line <= SpriteEnd[sprite]) return true;
  // Sprite Y positions are 8 bits: below the 256th line they match again.
  return line > 255 && SpriteEnd[sprite] < line && SpriteStart[sprite] <= line - 256 && line - 256 <= SpriteEnd[sprite];
}

uint32_t T6510::SpriteCycles(uint32_t position, uint32_t badLineCycles) {
  const int32_t p = static_cast<int32_t>(position);
  const int32_t b = static_cast<int32_t>(badLineCycles);
  const int32_t perLine = CyclesPerLine;
  const int32_t first = static_cast<int32_t>(FirstSprite);
  const int32_t q = b > 0 ? p - 14 + (b - 43) : 0;
  int32_t fetchStart;
  int32_t at;
  if (first >= 3) {
    fetchStart = perLine + 2 * (first - 3);
    at = p + b;
    if (at < 10) at += perLine;
  } else {
    fetchStart = perLine - 6 + 2 * first;
    at = (p + b) % perLine;
  }
  if (at < fetchStart - 3) return 0;

  const uint8_t enabled = IoShadow[0x15];
  std::array<bool, 8> fetching{};
  uint32_t cycles = 0;
  for (uint32_t sprite = 0; sprite < 8; ++sprite) {
    if (!(enabled & (1u << sprite)) || SpriteCounted[sprite] || !SpriteFetchesOnLine(sprite)) continue;
    SpriteCounted[sprite] = 1;
    fetching[sprite] = true;
    cycles += 2;
  }
  if (cycles == 0) return 0;
  // A gap of one sprite between two fetching ones does not give the bus back.
  for (uint32_t sprite = 1; sprite < 7; ++sprite) {
    if (!fetching[sprite] && fetching[sprite - 1] && fetching[sprite + 1]) cycles += 2;
  }
  const int32_t write = WriteCycleTable[CurrentOpcode] - q;
  return cycles + BusHandoverCycles(CurrentOpcode, write, p, static_cast<int32_t>(InstructionCycles),
                                    fetchStart - 3, fetchStart - 4, fetchStart - 5);
}
