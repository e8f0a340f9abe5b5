// The built-in firmware running on the emulated 6510: interrupt entries and exits, the system
// interrupt, printing on the screen, reset, and the BASIC traps.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "MachineFixture.h"
#include "c64/RomImages.h"
#include "firmware/FirmwareImages.h"

namespace {

constexpr uint16_t Code = 0xC000;
constexpr uint16_t Marker = 0xC800;

// A C64 right after power-on with the built-in firmware, ROMs and I/O banked in.
std::unique_ptr<T6510> PoweredOn() {
  const TRomImages roms;
  auto machine = std::make_unique<T6510>();
  EXPECT_TRUE(machine->InstallRoms(roms.Kernal(), roms.Basic(), roms.Chars(), roms.PowerOn()));
  machine->ResetMemory(false);
  machine->WritePortDirection(0x2F);
  machine->WritePortData(0x37);
  machine->RealC64Mode = 1;
  machine->SP = 0xFF;
  return machine;
}

void SetWord(T6510& machine, uint16_t address, uint16_t value) {
  machine.Ram[address] = value & 0xFF;
  machine.Ram[address + 1] = value >> 8;
}

// Runs until PC reaches stop; false when that takes more than limit instructions.
bool RunTo(T6510& machine, uint16_t stop, int limit = 200000) {
  for (int i = 0; i < limit && machine.PC != stop; ++i) machine.ExecuteInstruction();
  return machine.PC == stop;
}

// What the CPU does when it takes an interrupt through the vector at $FFFA or $FFFE.
void Interrupt(T6510& machine, uint16_t vector) {
  machine.Ram[0x100 + machine.SP--] = machine.PC >> 8;
  machine.Ram[0x100 + machine.SP--] = machine.PC & 0xFF;
  machine.Ram[0x100 + machine.SP--] = static_cast<uint8_t>((machine.StatusByte() & ~0x10) | 0x20);
  machine.FlagI = 1;
  machine.PC = static_cast<uint16_t>(machine.MapRead(vector) | machine.MapRead(vector + 1) << 8);
}

uint32_t Jiffies(const T6510& machine) {
  return machine.Ram[0xA0] << 16 | machine.Ram[0xA1] << 8 | machine.Ram[0xA2];
}

// Interrupts an idle loop at Code with A, X, Y = $11, $22, $33 and runs until it is back.
void InterruptIdleLoop(T6510& machine, uint16_t vector) {
  Place(machine, Code, {0x4C, Code & 0xFF, Code >> 8});  // JMP Code
  machine.PC = Code;
  machine.A = 0x11;
  machine.X = 0x22;
  machine.Y = 0x33;
  Interrupt(machine, vector);
  ASSERT_TRUE(RunTo(machine, Code));
  EXPECT_EQ(machine.A, 0x11);
  EXPECT_EQ(machine.X, 0x22);
  EXPECT_EQ(machine.Y, 0x33);
  EXPECT_EQ(machine.SP, 0xFF);
  EXPECT_EQ(machine.FlagI, 0);
}

TEST(FirmwareRun, SystemInterruptAdvancesTheJiffyClockAndReturns) {
  auto machine = PoweredOn();
  for (uint32_t expected = 1; expected <= 3; ++expected) {
    InterruptIdleLoop(*machine, 0xFFFE);
    EXPECT_EQ(Jiffies(*machine), expected);
  }
  // 24 hours of jiffies start the clock again.
  machine->Ram[0xA0] = 0x4F;
  machine->Ram[0xA1] = 0x19;
  machine->Ram[0xA2] = 0xFF;
  InterruptIdleLoop(*machine, 0xFFFE);
  EXPECT_EQ(Jiffies(*machine), 0u);
}

// Cycles from the CPU taking the interrupt to the RTI back into an idle loop.
uint32_t InterruptCycles(T6510& machine) {
  Place(machine, Code, {0x4C, Code & 0xFF, Code >> 8});  // JMP Code
  Interrupt(machine, 0xFFFE);
  uint32_t cycles = 7;
  while (machine.PC != Code) {
    machine.ExecuteInstruction();
    cycles += machine.InstructionCycles;
  }
  return cycles;
}

// With no key held a C64's system interrupt is short: jiffy clock, STOP key row, cursor blink
// count and one read of all keyboard rows at once, which sees no key. Its budget, from the CPU
// taking the interrupt to the RTI: 150 to 200 cycles (a tune that plays from a busy loop keeps
// its tempo only then). A held key is looked up row by row and queued.
TEST(FirmwareRun, SystemInterruptCostsWhatAC64SpendsAndQueuesAHeldKey) {
  auto machine = PoweredOn();
  const uint32_t noKey = InterruptCycles(*machine);
  EXPECT_GE(noKey, 150u);
  EXPECT_LE(noKey, 200u);
  EXPECT_EQ(machine->Ram[0xC6], 0);  // nothing in the keyboard buffer
  machine->PressSpaceKey();
  EXPECT_GT(InterruptCycles(*machine), noKey + 100);
  EXPECT_EQ(machine->Ram[0xC6], 1);
  EXPECT_EQ(machine->Ram[0x0277], ' ');
}

TEST(FirmwareRun, TuneIrqHandlerEndingInEa81OrEa7EReturns) {
  for (const uint16_t exit : {firmware::IrqReturn, firmware::IrqAcknowledge}) {
    auto machine = PoweredOn();
    // INC Marker; LDA #0; TAX; TAY; JMP exit
    Place(*machine, 0xC100,
          {0xEE, Marker & 0xFF, Marker >> 8, 0xA9, 0x00, 0xAA, 0xA8, 0x4C,
           static_cast<uint8_t>(exit & 0xFF), static_cast<uint8_t>(exit >> 8)});
    SetWord(*machine, 0x0314, 0xC100);
    InterruptIdleLoop(*machine, 0xFFFE);
    EXPECT_EQ(machine->Ram[Marker], 1);
    EXPECT_EQ(Jiffies(*machine), 0u);
  }
}

TEST(FirmwareRun, NmiHandlerEndingInFebcReturns) {
  auto machine = PoweredOn();
  // PHA; TXA; PHA; TYA; PHA; LDA #0; TAX; TAY; INC Marker; JMP $FEBC, installed through $0318.
  Place(*machine, 0xC100,
        {0x48, 0x8A, 0x48, 0x98, 0x48, 0xA9, 0x00, 0xAA, 0xA8, 0xEE, Marker & 0xFF, Marker >> 8,
         0x4C, 0xBC, 0xFE});
  SetWord(*machine, 0x0318, 0xC100);
  InterruptIdleLoop(*machine, 0xFFFA);
  EXPECT_EQ(machine->Ram[Marker], 1);
  // The default NMI handler returns as well.
  SetWord(*machine, 0x0318, firmware::NmiHandler);
  InterruptIdleLoop(*machine, 0xFFFA);
  EXPECT_EQ(machine->Ram[Marker], 1);
}

TEST(FirmwareRun, BrkGoesThroughTheBrkVector) {
  auto machine = PoweredOn();
  // INC Marker; JMP $EA81, installed through $0316; BRK at Code returns to Code + 2.
  Place(*machine, 0xC100, {0xEE, Marker & 0xFF, Marker >> 8, 0x4C, 0x81, 0xEA});
  SetWord(*machine, 0x0316, 0xC100);
  Place(*machine, Code, {0x00, 0xEA, 0x4C, (Code + 2) & 0xFF, (Code + 2) >> 8});
  machine->PC = Code;
  ASSERT_TRUE(RunTo(*machine, Code + 2));
  EXPECT_EQ(machine->Ram[Marker], 1);
  EXPECT_EQ(machine->SP, 0xFF);
  // The default BRK handler reinitialises and enters BASIC's warm start: the trap here.
  auto fresh = PoweredOn();
  Place(*fresh, Code, {0x00, 0xEA});
  fresh->PC = Code;
  EXPECT_TRUE(RunTo(*fresh, firmware::BasicTrap));
}

TEST(FirmwareRun, ResetInitialisesAndEndsInTheBasicTrap) {
  auto machine = PoweredOn();
  machine->Ram[0x02A6] = 0;  // NTSC survives the reset
  SetWord(*machine, 0x0314, 0x1234);
  machine->Ram[0x0400] = 0x01;
  machine->PC = firmware::Reset;
  ASSERT_TRUE(RunTo(*machine, firmware::BasicTrap));
  const TRomImages roms;
  EXPECT_TRUE(roms.AtBasicTrap(machine->PC));
  EXPECT_EQ(machine->Ram[0x02A6], 0);
  EXPECT_EQ(machine->Ram[0x0314] | machine->Ram[0x0315] << 8, firmware::IrqHandler);
  EXPECT_EQ(machine->Ram[0x0400], 0x20);
  EXPECT_EQ(machine->FlagI, 0);
  // The whole RAM image below the screen matches the power-on image where the KERNAL set it.
  for (uint16_t address : {0x0281, 0x0282, 0x0283, 0x0284, 0x0288, 0x0289, 0x028F, 0x0290, 0x00D5})
    EXPECT_EQ(machine->Ram[address], roms.PowerOn()[address]) << std::hex << address;
}

// Prints text through CHROUT ($FFD2) from a loop that relies on X being kept.
void Print(T6510& machine, const std::string& text) {
  const uint16_t textAddress = 0xC400;
  for (size_t i = 0; i < text.size(); ++i) machine.Ram[textAddress + i] = static_cast<uint8_t>(text[i]);
  machine.Ram[textAddress + text.size()] = 0;
  // LDX #0; LDA text,X; BEQ done; JSR $FFD2; INX; BNE loop; done: JMP done
  Place(machine, Code,
        {0xA2, 0x00, 0xBD, textAddress & 0xFF, textAddress >> 8, 0xF0, 0x06, 0x20, 0xD2, 0xFF,
         0xE8, 0xD0, 0xF5, 0x4C, (Code + 13) & 0xFF, (Code + 13) >> 8});
  machine.PC = Code;
  ASSERT_TRUE(RunTo(machine, Code + 13));
}

std::string ScreenRow(const T6510& machine, int row) {
  std::string text;
  for (int column = 0; column < 40; ++column) {
    const uint8_t code = machine.Ram[0x0400 + row * 40 + column];
    text += static_cast<char>(code < 0x20 ? code + 0x40 : code);  // letters back to ASCII
  }
  return text.substr(0, text.find_last_not_of(' ') + 1);
}

TEST(FirmwareRun, ChroutWritesToTheScreenAtTheCursor) {
  auto machine = PoweredOn();
  Print(*machine, "HELLO, WORLD 42\rREADY.");
  EXPECT_EQ(ScreenRow(*machine, 0), "HELLO, WORLD 42");
  EXPECT_EQ(ScreenRow(*machine, 1), "READY.");
  EXPECT_EQ(machine->Ram[0xD6], 1);  // cursor row
  EXPECT_EQ(machine->Ram[0xD3], 6);  // cursor column
  EXPECT_EQ(machine->Ram[0xD1] | machine->Ram[0xD2] << 8, 0x0428);
  EXPECT_EQ(machine->IoShadow[0x800], 0x0E);  // colour RAM in the text colour

  // Colour, reverse, a line longer than the screen, clear and home.
  Print(*machine, "\x1c\x12" "X\x92" "\x93" "AB");
  EXPECT_EQ(ScreenRow(*machine, 0), "AB");
  EXPECT_EQ(ScreenRow(*machine, 1), "");
  Print(*machine, "\x13\x1c\x12X");
  EXPECT_EQ(machine->Ram[0x0400], 0x18 | 0x80);  // reversed X
  EXPECT_EQ(machine->IoShadow[0x800], 2);        // red
  Print(*machine, "\x92\x93" + std::string(45, 'Z'));
  EXPECT_EQ(ScreenRow(*machine, 0), std::string(40, 'Z'));
  EXPECT_EQ(ScreenRow(*machine, 1), std::string(5, 'Z'));
  // Cursor left, down, right, up and delete.
  Print(*machine, "\x93" "AB\x9d" "C\x11\x1d" "D\x91" "XY\x14");
  EXPECT_EQ(ScreenRow(*machine, 0), "AC  X");
  EXPECT_EQ(ScreenRow(*machine, 1), "   D");
}

TEST(FirmwareRun, PrintingPastTheLastRowScrolls) {
  auto machine = PoweredOn();
  Print(*machine, "\x93TOP\rSECOND" + std::string(24, '\r') + "END");
  EXPECT_EQ(ScreenRow(*machine, 0), "SECOND");
  EXPECT_EQ(ScreenRow(*machine, 23), "");
  EXPECT_EQ(ScreenRow(*machine, 24), "END");
  EXPECT_EQ(machine->Ram[0xD6], 24);
}

TEST(FirmwareRun, JumpTableEntriesReturnWithCarryClear) {
  for (uint16_t entry = 0xFF81; entry <= 0xFFF3; entry += 3) {
    auto machine = PoweredOn();
    // JSR entry; JMP *
    Place(*machine, Code,
          {0x20, static_cast<uint8_t>(entry & 0xFF), static_cast<uint8_t>(entry >> 8), 0x4C,
           (Code + 3) & 0xFF, (Code + 3) >> 8});
    machine->PC = Code;
    machine->FlagC = 0;
    ASSERT_TRUE(RunTo(*machine, Code + 3)) << std::hex << entry;
    EXPECT_EQ(machine->SP, 0xFF) << std::hex << entry;
    EXPECT_EQ(machine->FlagC, 0) << std::hex << entry;
  }
}

TEST(FirmwareRun, ChrgetInThePowerOnImageSkipsSpacesAndClassifiesCharacters) {
  auto machine = PoweredOn();
  const std::string text = "  5A:";
  for (size_t i = 0; i < text.size(); ++i) machine->Ram[0xC401 + i] = static_cast<uint8_t>(text[i]);
  machine->Ram[0xC401 + text.size()] = 0;
  SetWord(*machine, 0x7A, 0xC400);
  Place(*machine, Code, {0x20, 0x73, 0x00, 0x4C, (Code + 3) & 0xFF, (Code + 3) >> 8});  // JSR CHRGET
  const struct {
    uint8_t character;
    uint8_t digit;  // carry clear
    uint8_t end;    // Z set: ":" or end of line
  } expected[] = {{'5', 1, 0}, {'A', 0, 0}, {':', 0, 1}, {0, 0, 1}};
  for (const auto& e : expected) {
    machine->PC = Code;
    ASSERT_TRUE(RunTo(*machine, Code + 3));
    EXPECT_EQ(machine->A, e.character);
    EXPECT_EQ(machine->FlagC, !e.digit) << e.character;
    EXPECT_EQ(machine->FlagZ, e.end) << e.character;
  }
}

}  // namespace
