// The C64 address space: RAM, ROM images banked by the processor port, the I/O area and the
// SID accesses that leave the machine through the sink.
#include <algorithm>

#include "c64/T6510.h"
#include "output/SidSink.h"

namespace {

// The pattern that DRAM chips show after power-on, by offset within a 4 KB block.
uint8_t PowerOnFill(uint32_t offset) {
  const uint8_t high = (offset & 0x40) ? 0x00 : 0xC0;
  const uint8_t low = ((offset & 1) ? 0x00 : 0x3F) ^ ((offset & 8) ? 0x3F : 0x00);
  return high | low;
}

}  // namespace

bool T6510::InstallRoms(std::span<const uint8_t> kernal, std::span<const uint8_t> basic,
                        std::span<const uint8_t> chars, std::span<const uint8_t> zeroPage) {
  if (kernal.size() != KernalSize || basic.size() != BasicSize || chars.size() != CharsSize ||
      zeroPage.size() != ZeroPageSize) {
    return false;
  }
  std::copy(kernal.begin(), kernal.end(), KernalRom.begin());
  std::copy(basic.begin(), basic.end(), BasicRom.begin());
  std::copy(chars.begin(), chars.end(), CharRom.begin());
  std::copy(zeroPage.begin(), zeroPage.end(), PowerOnImage.begin());
  return true;
}

void T6510::SetPlaySidMode(bool enabled) {
  PlaySidMode = enabled;
  RebuildMaps();
}

void T6510::RebuildMaps() {
  for (uint32_t block = 0; block < 16; ++block) {
    WriteMap[block] = &Ram[block << 12];
    ReadMap[block] = &Ram[block << 12];
  }
  const uint8_t bank = PortValue & 7;
  IoWritable = bank >= 5;
  IoReadable = IoWritable && !PlaySidMode;
  if (PlaySidMode) return;
  if (bank == 3 || bank == 7) {
    ReadMap[0xA] = &BasicRom[0];
    ReadMap[0xB] = &BasicRom[0x1000];
  }
  if (bank >= 5) {
    ReadMap[0xD] = IoShadow.data();
  } else if (bank >= 1 && bank <= 3) {
    ReadMap[0xD] = CharRom.data();
  }
  if (bank & 2) {
    ReadMap[0xE] = &KernalRom[0];
    ReadMap[0xF] = &KernalRom[0x1000];
  }
}

void T6510::WritePort(uint16_t address, uint8_t value) {
  if (address == 0) {
    WritePortDirection(value);
  } else if (!PortWriteBanksOverCode(value)) {
    WritePortData(value);
  }
}

void T6510::WritePortDirection(uint8_t direction) {
  const uint8_t port = Ram[1];
  Ram[0] = direction;
  uint8_t result;
  if ((port & 7) == (direction & 7)) {
    result = (direction & port) | 0x17;
  } else if (((port | direction) & 7) > 6) {
    result = (direction & port & 0xF8) | (port & 7) | 0x10;
  } else {
    result = port | 0x10 | (7 - ((direction | port) & 7));
  }
  Ram[1] = PortValue = result;
  RebuildMaps();
}

void T6510::WritePortData(uint8_t value) {
  const uint8_t direction = Ram[0];
  uint8_t result;
  if ((direction & 7) == (value & 7)) {
    result = (value & direction) | 0x17;
  } else if ((direction & value & 7) == 0 || ((direction | value) & 7) == 7) {
    result = (direction & value & 0xF8) | (value & 7);
  } else {
    result = (direction & value) | 0x10 | (7 - ((value | direction) & 7));
  }
  Ram[1] = PortValue = result;
  RebuildMaps();
}

// PSID tunes were written for players that kept their code visible whatever the tune banked;
// a port write that would put a ROM over the running routine is dropped.
bool T6510::PortWriteBanksOverCode(uint8_t value) const {
  if (RealC64Mode || PC >= 0xFFFE) return false;
  if (PC >= 0xD001 && PC <= 0xDFFF) return true;
  if (PC >= 0xA001 && PC <= 0xBFFF) return (PortValue & 3) < 3 && (value & 3) == 3;
  if (PC >= 0xE000) return !(PortValue & 2) && (value & 2);
  return false;
}

uint8_t T6510::ReadIo(uint16_t address) {
  switch ((address >> 10) & 3) {
    case 0:
      return ReadVic(address);
    case 1:
      return ReadSidRegister(address);
    case 2:
      return IoShadow[address & 0xFFF];
    default:
      return ReadCia(address);
  }
}

void T6510::WriteIo(uint16_t address, uint8_t value) {
  switch ((address >> 10) & 3) {
    case 0:
      WriteVic(address, value);
      break;
    case 1:
      WriteSidRegister(address, value);
      break;
    case 2:
      IoShadow[address & 0xFFF] = value;
      break;
    default:
      if (address < 0xDE00) {
        WriteCia(address, value);
      } else {
        IoShadow[address & 0xFFF] = value;
      }
      break;
  }
}

// Only the chip knows what a read returns: oscillator 3, envelope 3, and for the write-only
// registers the value left on its data bus, which fades a while after the last write.
uint8_t T6510::ReadSidRegister(uint16_t address) {
  const uint32_t reg = (address & 0xF4FFu) - 0xD400u;
  if (reg == 25 || reg == 26) return 0xFF;
  const bool readable = reg == 27 || reg == 28;
  if (!readable && (reg > 31 || !Sink)) return LastSidValue;
  uint8_t value = readable ? IoShadow[0x400 + reg] : LastSidValue;
  if (Sink) Sink->ReadSid(static_cast<uint8_t>(reg), static_cast<uint32_t>(std::max(CyclesSinceSidWrite, 0)), value);
  CyclesSinceSidWrite = 0;
  if (readable) IoShadow[0x400 + reg] = value;
  return value;
}

void T6510::WriteSidRegister(uint16_t address, uint8_t value) {
  for (const uint16_t chip : OtherSidChips) {
    if (chip != 0 && (address & 0xFFE0) == chip) return;
  }
  const uint16_t folded = address & 0xF4FF;
  IoShadow[folded & 0xFFF] = value;
  if (folded == 0xD418) {
    SidVolume = value;
    SidSilent = (value & 0x0F) == 0;
  }
  if (PlaySidMode) {
    if (WriteSampleRegister(address, value) || NmiInService) return;
  }
  SendSidWrite(folded & 0x1F, value);
}

void T6510::SendSidWrite(uint8_t reg, uint8_t value) {
  const uint32_t cycles = static_cast<uint32_t>(std::max(CyclesSinceSidWrite, 1));
  if (Sink) Sink->WriteSid(reg, value, cycles);
  CyclesSinceSidWrite = 0;
  LastSidValue = value;
}

void T6510::ResetMemory(bool fillPattern) {
  std::array<uint8_t, 0x1000> block{};
  if (fillPattern) {
    for (uint32_t offset = 0; offset < block.size(); ++offset) block[offset] = PowerOnFill(offset);
  }
  for (uint32_t start = 0; start < Ram.size(); start += 0x1000) {
    std::copy(block.begin(), block.end(), Ram.begin() + start);
  }
  // The KERNAL and BASIC leave $0000-$0802 as in the power-on image; only the unused part of
  // the stack keeps the chips' pattern.
  constexpr uint32_t ImageEnd = 0x0803;
  std::copy(PowerOnImage.begin(), PowerOnImage.begin() + ImageEnd, Ram.begin());
  if (fillPattern) std::copy(block.begin() + 0x010A, block.begin() + 0x0200, Ram.begin() + 0x010A);
  if (PlaySidMode) std::copy(KernalRom.begin(), KernalRom.end(), Ram.begin() + 0xE000);
  IoShadow.fill(0);
  IoShadow[0xD04] = 0xC8;
  IoShadow[0xD05] = 0x4C;
  IoShadow[0xD06] = 0xC8;
  IoShadow[0xD07] = 0x4C;
  Ram[0] = 0x2F;
  IcrData[0] = 0x7F;
  IcrData[1] = 0;
  IoShadow[0xC0E] = 0x01;
  IoShadow[0xC00] = 0x7F;
  IoShadow[0xC01] = 0xFF;
  TimerLatch.fill(0xFFFF);
  CiaIrqPending = VicIrqPending = NmiPending = 0;
  Ram[0x02A6] = 1;
  CyclesPerLine = 63;
  LinesPerFrame = 312;
  IoShadow[0x018] = 0x15;
}

const std::array<uint8_t, 0x10000>& T6510::TakeMemorySnapshot() {
  MemorySnapshot = Ram;
  return MemorySnapshot;
}
