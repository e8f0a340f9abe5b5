// The C64 address space: processor port, banking, the I/O area and the SID sink.
#include <gtest/gtest.h>

#include "MachineFixture.h"

namespace {

// Distinct bytes in every ROM slot so that a read shows where it came from.
void InstallMarkedRoms(T6510& machine) {
  std::vector<uint8_t> kernal(T6510::KernalSize, 0xEE), basic(T6510::BasicSize, 0xBB),
      chars(T6510::CharsSize, 0xCC), zeroPage(T6510::ZeroPageSize, 0x5A);
  ASSERT_TRUE(machine.InstallRoms(kernal, basic, chars, zeroPage));
}

}  // namespace

TEST(MemoryMap, ProcessorPortFormulas) {
  struct TCase {
    bool DirectionWrite;
    uint8_t Direction, Port, Written, Expected;
  };
  const TCase cases[] = {
      {false, 0x2F, 0x37, 0x37, 0x37},  // equal low bits: (V AND D) OR $17
      {false, 0x2F, 0x37, 0x30, 0x20},  // all RAM
      {false, 0x2F, 0x37, 0x35, 0x25},  // (D OR V) bits 0-2 = 7
      {false, 0x00, 0x37, 0x37, 0x07},  // D AND V bits 0-2 = 0
      {false, 0x03, 0x37, 0x31, 0x15},  // mixed: (D AND V) OR $10 OR (7 - 3)
      {false, 0x02, 0x37, 0x33, 0x16},
      {false, 0x03, 0x37, 0x36, 0x06},  // (D OR V) bits 0-2 = 7 again
      {true, 0x2F, 0x37, 0x2F, 0x37},   // direction with equal low bits
      {true, 0x2F, 0x30, 0x00, 0x17},
      {true, 0x2F, 0x35, 0x02, 0x15},   // (P OR D) bits 0-2 = 7
      {true, 0x2F, 0x31, 0x02, 0x35},   // P OR $10 OR (7 - 3)
  };
  for (const TCase& c : cases) {
    auto machine = MakeMachine();
    machine->Ram[0] = c.Direction;
    machine->Ram[1] = c.Port;
    if (c.DirectionWrite) {
      machine->WritePortDirection(c.Written);
      EXPECT_EQ(machine->Ram[0], c.Written);
    } else {
      machine->WritePortData(c.Written);
    }
    EXPECT_EQ(machine->Ram[1], c.Expected) << "wrote " << int(c.Written) << " direction " << int(c.Direction);
    EXPECT_EQ(machine->PortValue, c.Expected);
  }
}

TEST(MemoryMap, BankingFollowsPortBits) {
  struct TCase {
    uint8_t Bank;
    uint8_t AtA000, AtD000, AtE000;  // 0x11 RAM, 0xBB BASIC, 0xCC characters, 0x22 I/O, 0xEE KERNAL
  };
  const TCase cases[] = {{0, 0x11, 0x11, 0x11}, {1, 0x11, 0xCC, 0x11}, {2, 0x11, 0xCC, 0xEE},
                         {3, 0xBB, 0xCC, 0xEE}, {4, 0x11, 0x11, 0x11}, {5, 0x11, 0x22, 0x11},
                         {6, 0x11, 0x22, 0xEE}, {7, 0xBB, 0x22, 0xEE}};
  for (const TCase& c : cases) {
    auto machine = MakeMachine();
    InstallMarkedRoms(*machine);
    machine->Ram[0xA000] = machine->Ram[0xD000] = machine->Ram[0xE000] = 0x11;
    machine->IoShadow[0] = 0x22;
    machine->WritePortData(0x30 | c.Bank);
    EXPECT_EQ(machine->ReadMemory(0xA000), c.AtA000) << int(c.Bank);
    EXPECT_EQ(machine->MapRead(0xD000), c.AtD000) << int(c.Bank);
    EXPECT_EQ(machine->ReadMemory(0xE000), c.AtE000) << int(c.Bank);
    // Writes under a ROM always reach RAM.
    machine->WriteMemory(0xE000, 0x33);
    EXPECT_EQ(machine->Ram[0xE000], 0x33);
    machine->SetPlaySidMode(true);
    EXPECT_EQ(machine->ReadMemory(0xE000), 0x33) << "the PlaySID environment reads RAM everywhere";
    EXPECT_EQ(machine->MapRead(0xD000), 0x11);
  }
}

TEST(MemoryMap, SidAddressesFoldOntoOneChip) {
  struct TCase {
    uint16_t Address;
    int Reg;  // -1: nothing reaches the SID
  };
  const TCase cases[] = {{0xD400, 0}, {0xD500, 0}, {0xD43F, 31}, {0xD7FF, 31}, {0xD418, 24},
                         {0xD638, 24}, {0xDE00, -1}, {0xDF18, -1}, {0xD800, -1}, {0xD020, -1}};
  for (const TCase& c : cases) {
    TRecordingSink sink;
    auto machine = MakeMachine(0x37);
    machine->SetSidSink(&sink);
    machine->WriteMemory(c.Address, 0x5F);
    if (c.Reg < 0) {
      EXPECT_TRUE(sink.Writes.empty()) << std::hex << c.Address;
      EXPECT_EQ(machine->IoShadow[c.Address & 0xFFF], 0x5F) << "lands in the shadow";
    } else {
      ASSERT_EQ(sink.Writes.size(), 1u) << std::hex << c.Address;
      EXPECT_EQ(sink.Writes[0].Reg, c.Reg);
      EXPECT_EQ(machine->LastSidValue, 0x5F);
    }
  }
}

TEST(MemoryMap, SidWritesCarryTheirCycleDistance) {
  TRecordingSink sink;
  auto machine = MakeMachine(0x37);
  machine->SetSidSink(&sink);
  machine->CyclesSinceSidWrite = 0;
  machine->WriteMemory(0xD400, 1);
  machine->CyclesSinceSidWrite = 500;
  machine->WriteMemory(0xD401, 2);
  machine->WriteMemory(0xD401, 2);
  const std::vector<TSidAccess> expected = {{0, 1, 1}, {1, 2, 500}, {1, 2, 1}};
  EXPECT_EQ(sink.Writes, expected);
  EXPECT_EQ(machine->CyclesSinceSidWrite, 0);
}

TEST(MemoryMap, SidReads) {
  TRecordingSink sink;
  sink.Answer = 0x9C;
  auto machine = MakeMachine(0x37);
  machine->SetSidSink(&sink);
  machine->WriteMemory(0xD404, 0x41);
  EXPECT_EQ(machine->ReadMemory(0xD419), 0xFF) << "paddle";
  EXPECT_EQ(machine->ReadMemory(0xD41A), 0xFF) << "paddle";
  machine->CyclesSinceSidWrite = 40;
  EXPECT_EQ(machine->ReadMemory(0xD41E), 0x41) << "a write-only register asks the chip, guessing the last write";
  EXPECT_EQ(machine->ReadMemory(0xD43B), 0x41) << "register 59 is no oscillator";
  machine->CyclesSinceSidWrite = 321;
  EXPECT_EQ(machine->ReadMemory(0xD41B), 0x9C);
  EXPECT_EQ(machine->ReadMemory(0xD71C), 0x9C) << "mirror of envelope 3";
  const std::vector<TSidAccess> expected = {{30, 0x41, 40}, {27, 0, 321}, {28, 0, 0}};
  EXPECT_EQ(sink.Reads, expected);
  EXPECT_EQ(machine->IoShadow[0x41B], 0x9C) << "the answer is kept in the I/O image";
}

TEST(MemoryMap, VolumeRegisterTracksSilence) {
  auto machine = MakeMachine(0x37);
  machine->WriteMemory(0xD518, 0x1F);
  EXPECT_EQ(machine->SidVolume, 0x1F);
  EXPECT_EQ(machine->SidSilent, 0);
  machine->WriteMemory(0xD418, 0x30);
  EXPECT_EQ(machine->SidSilent, 1);
}

TEST(MemoryMap, CiaPortsReadThroughTheirDirection) {
  auto machine = MakeMachine(0x37);
  machine->ResetMemory(false);
  machine->WritePortData(0x37);
  EXPECT_EQ(machine->ReadMemory(0xDC00), 0xFF) << "direction 0: every bit an input";
  machine->WriteMemory(0xDC02, 0xFF);
  EXPECT_EQ(machine->ReadMemory(0xDC00), 0x7F);
  EXPECT_EQ(machine->ReadMemory(0xDC11), 0xFF) << "mirror of $DC01";
  machine->WriteMemory(0xDD02, 0x3F);
  machine->WriteMemory(0xDD00, 0x41);
  EXPECT_EQ(machine->ReadMemory(0xDD00), 0x81) << "bits 6-7 read inverted";
}

TEST(MemoryMap, PsidPortWriteMayNotBankRomOverRunningCode) {
  struct TCase {
    const char* Name;
    uint8_t RealC64;
    uint16_t At;
    uint8_t Before, Written, After;
  };
  const TCase cases[] = {
      {"KERNAL over code at $E100", 0, 0xE100, 0x35, 0x37, 0x35},
      {"C64 environment may do it", 1, 0xE100, 0x35, 0x37, 0x37},
      {"BASIC over code at $A100", 0, 0xA100, 0x36, 0x37, 0x36},
      {"other banking under code at $A100", 0, 0xA100, 0x36, 0x34, 0x34},
      {"anything from $D100", 0, 0xD100, 0x34, 0x30, 0x34},
      {"low memory code banks freely", 0, 0x1000, 0x35, 0x37, 0x37},
  };
  for (const TCase& c : cases) {
    for (const bool absolute : {false, true}) {
      auto machine = MakeMachine(c.Before);
      machine->RealC64Mode = c.RealC64;
      if (absolute) {
        Place(*machine, c.At, {0xA9, c.Written, 0x8D, 0x01, 0x00});
      } else {
        Place(*machine, c.At, {0xA9, c.Written, 0x85, 0x01});
      }
      machine->ExecuteInstruction();
      machine->ExecuteInstruction();
      EXPECT_EQ(machine->PortValue & 7, c.After & 7) << c.Name << (absolute ? " (absolute)" : " (zero page)");
    }
  }
}

TEST(MemoryMap, ResetMemoryBuildsThePowerOnState) {
  auto machine = MakeMachine();
  InstallMarkedRoms(*machine);
  machine->Ram.fill(0x99);
  machine->ResetMemory(true);
  EXPECT_EQ(machine->Ram[0x0002], 0x5A) << "power-on image";
  EXPECT_EQ(machine->Ram[0x0802], 0x5A);
  EXPECT_EQ(machine->Ram[0x0000], 0x2F);
  EXPECT_EQ(machine->Ram[0x02A6], 1);
  // Fill pattern by block offset: $FF at 0, $C0 at 1 and 8, $FF at 9, $3F at $40, $00 at $41.
  EXPECT_EQ(machine->Ram[0x1000], 0xFF);
  EXPECT_EQ(machine->Ram[0x2001], 0xC0);
  EXPECT_EQ(machine->Ram[0x3008], 0xC0);
  EXPECT_EQ(machine->Ram[0xD009], 0xFF);
  EXPECT_EQ(machine->Ram[0x0840], 0x3F);
  EXPECT_EQ(machine->Ram[0xF041], 0x00);
  EXPECT_EQ(machine->Ram[0x0141], 0x00) << "the stack area gets the pattern too";
  EXPECT_EQ(machine->Ram[0x0109], 0x5A);
  EXPECT_EQ(machine->IoShadow[0xD04], 0xC8);
  EXPECT_EQ(machine->IoShadow[0xD05], 0x4C);
  EXPECT_EQ(machine->IoShadow[0x018], 0x15);
  EXPECT_EQ(machine->IcrData[0], 0x7F);

  machine->ResetMemory(false);
  EXPECT_EQ(machine->Ram[0x1000], 0x00);
  EXPECT_EQ(machine->Ram[0x0141], 0x5A);
  machine->SetPlaySidMode(true);
  machine->ResetMemory(false);
  EXPECT_EQ(machine->Ram[0xFFFE], 0xEE) << "the PlaySID environment gets the KERNAL in RAM";
}

TEST(MemoryMap, RomInstallationChecksSizes) {
  T6510 machine;
  std::vector<uint8_t> eight(0x2000), four(0x1000);
  EXPECT_FALSE(machine.InstallRoms(four, eight, four, four));
  EXPECT_FALSE(machine.InstallRoms(eight, eight, eight, four));
  EXPECT_TRUE(machine.InstallRoms(eight, eight, four, four));
}

