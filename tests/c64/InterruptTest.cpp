// VIC raster interrupt, CIA timers, ICR, TOD and IRQ/NMI delivery, driven through the machine
// loop. Handlers mark their entry by storing to $0400; the main program is a JAM, which the
// machine runs one cycle at a time, so entry times carry no instruction-length jitter.
#include <gtest/gtest.h>

#include "MachineFixture.h"

namespace {

constexpr uint16_t Marker = 0x0400;
constexpr uint16_t Main = 0x1000;
constexpr uint16_t IrqHandler = 0x2000;
constexpr uint16_t NmiHandler = 0x3000;

// Records the machine time of every store to the marker address.
class TEntryLog : public TBusWriteObserver {
 public:
  explicit TEntryLog(const T6510& machine) : Machine(machine) {}
  void BusWrite(uint16_t address, uint8_t) override {
    if (address == Marker) Times.push_back(Machine.CyclesExecuted);
  }
  std::vector<uint32_t> Times;

 private:
  const T6510& Machine;
};

// I/O visible, KERNAL banked out (vectors come from RAM), C64 environment, I clear.
std::unique_ptr<T6510> MakeIrqMachine(std::initializer_list<uint8_t> handler, bool jamLoop = true) {
  auto machine = MakeMachine(0x35);
  machine->RealC64Mode = 1;
  machine->Ram[0xFFFE] = IrqHandler & 0xFF;
  machine->Ram[0xFFFF] = IrqHandler >> 8;
  machine->Ram[0xFFFA] = NmiHandler & 0xFF;
  machine->Ram[0xFFFB] = NmiHandler >> 8;
  Place(*machine, IrqHandler, handler);
  if (jamLoop) {
    Place(*machine, Main, {0x02});
  } else {
    Place(*machine, Main, {0x4C, Main & 0xFF, Main >> 8});
  }
  machine->FlagI = 0;
  return machine;
}

class TWriteCounter : public TBusWriteObserver {
 public:
  void BusWrite(uint16_t address, uint8_t) override { StackWrites += (address >> 8) == 1; }
  int StackWrites = 0;
};

std::vector<int64_t> Spacings(const std::vector<uint32_t>& times) {
  std::vector<int64_t> result;
  for (size_t i = 1; i < times.size(); ++i) result.push_back(int64_t{times[i]} - times[i - 1]);
  return result;
}

// STA $0400; LDA $DC0D; RTI
const std::initializer_list<uint8_t> CiaHandler = {0x8D, 0x00, 0x04, 0xAD, 0x0D, 0xDC, 0x40};
// STA $0400; LDA #$0F; STA $D019; RTI
const std::initializer_list<uint8_t> RasterHandler = {0x8D, 0x00, 0x04, 0xA9, 0x0F, 0x8D, 0x19, 0xD0, 0x40};

void StartTimerA(T6510& machine, uint16_t cia, uint16_t latch, uint8_t control = 0x11) {
  machine.WriteMemory(cia + 4, latch & 0xFF);
  machine.WriteMemory(cia + 5, latch >> 8);
  machine.WriteMemory(cia + 0xD, 0x81);
  machine.WriteMemory(cia + 0xE, control);
}

}  // namespace

TEST(Interrupts, CiaTimerIrqsComeLatchPlusOneCyclesApart) {
  struct TCase {
    uint16_t Latch;
    bool Jam;
    int64_t Jitter;  // a JMP loop lets the IRQ wait for the end of the instruction
  };
  for (const TCase c : {TCase{100, true, 0}, TCase{16380, true, 0}, TCase{4095, false, 2}, TCase{999, false, 2}}) {
    auto machine = MakeIrqMachine(CiaHandler, c.Jam);
    TEntryLog log(*machine);
    machine->WriteObserver = &log;
    StartTimerA(*machine, 0xDC00, c.Latch);
    machine->ExecuteCycles(60.0 * (c.Latch + 1));
    ASSERT_GE(log.Times.size(), 50u) << c.Latch;
    const int64_t period = c.Latch + 1;
    for (const int64_t spacing : Spacings(log.Times)) EXPECT_NEAR(spacing, period, 2 * c.Jitter) << c.Latch;
    // No drift over the whole run.
    const int64_t span = int64_t{log.Times.back()} - log.Times.front();
    EXPECT_NEAR(span, period * int64_t(log.Times.size() - 1), 2 * c.Jitter) << c.Latch;
  }
}

TEST(Interrupts, TimerBCountingTimerAUnderflows) {
  // STA $0400; LDA $DC0D; RTI with only timer B's interrupt enabled.
  auto machine = MakeIrqMachine(CiaHandler);
  TEntryLog log(*machine);
  machine->WriteObserver = &log;
  machine->WriteMemory(0xDC04, 99);
  machine->WriteMemory(0xDC05, 0);
  machine->WriteMemory(0xDC06, 4);
  machine->WriteMemory(0xDC07, 0);
  machine->WriteMemory(0xDC0D, 0x82);
  machine->WriteMemory(0xDC0F, 0x51);  // start, force load, count timer A underflows
  machine->WriteMemory(0xDC0E, 0x11);
  machine->ExecuteCycles(20 * 500.0);
  ASSERT_GE(log.Times.size(), 15u);
  for (const int64_t spacing : Spacings(log.Times)) EXPECT_EQ(spacing, 100 * 5);
}

TEST(Interrupts, RasterIrqsComeOneFrameApart) {
  struct TCase {
    const char* Name;
    uint16_t CyclesPerLine, Lines;
    uint8_t D011;
    uint8_t CompareLine;
  };
  const TCase cases[] = {{"PAL, no bad lines", 63, 312, 0x0B, 100}, {"PAL, bad lines", 63, 312, 0x1B, 100},
                         {"PAL, compare on a bad line", 63, 312, 0x1B, 99}, {"NTSC, no bad lines", 65, 263, 0x0B, 100},
                         {"NTSC, bad lines", 65, 263, 0x1B, 99}};
  for (const TCase& c : cases) {
    auto machine = MakeIrqMachine(RasterHandler);
    TEntryLog log(*machine);
    machine->WriteObserver = &log;
    machine->CyclesPerLine = c.CyclesPerLine;
    machine->LinesPerFrame = c.Lines;
    machine->WriteMemory(0xD011, c.D011);
    machine->WriteMemory(0xD012, c.CompareLine);
    machine->WriteMemory(0xD01A, 0x01);
    const int64_t frame = int64_t{c.CyclesPerLine} * c.Lines;
    machine->ExecuteCycles(12.0 * static_cast<double>(frame));
    ASSERT_GE(log.Times.size(), 10u) << c.Name;
    for (const int64_t spacing : Spacings(log.Times)) EXPECT_EQ(spacing, frame) << c.Name;
    EXPECT_EQ(machine->BadLinesEnabled, (c.D011 >> 4) & 1) << c.Name;
  }
}

TEST(Interrupts, RasterIrqOnLineZeroArrivesOneCycleLater) {
  auto delayIntoLine = [](uint8_t line) {
    auto machine = MakeIrqMachine(RasterHandler);
    TEntryLog log(*machine);
    machine->WriteObserver = &log;
    machine->WriteMemory(0xD012, line);
    machine->WriteMemory(0xD01A, 0x01);
    machine->ExecuteCycles(3 * 19656.0);
    EXPECT_GE(log.Times.size(), 2u);
    return log.Times.size() < 2 ? -1 : int64_t{log.Times[1]} % 19656 - 63 * line;
  };
  EXPECT_EQ(delayIntoLine(0), delayIntoLine(100) + 1);
}

TEST(Interrupts, VicRegisters) {
  auto machine = MakeIrqMachine(RasterHandler);
  machine->WriteMemory(0xD01A, 0x01);
  machine->RasterLine = 55;
  machine->LineCycle = 10;
  EXPECT_EQ(machine->ReadMemory(0xD012), 55);
  // Writing the line the raster is on raises the interrupt at once.
  machine->WriteMemory(0xD012, 55);
  EXPECT_EQ(machine->VicIrqPending, 1);
  EXPECT_EQ(machine->ReadMemory(0xD019), 0xF1);
  // Writing a 1 acknowledges the latched bit and releases the line.
  machine->WriteMemory(0xD019, 0x01);
  EXPECT_EQ(machine->VicIrqPending, 0);
  EXPECT_EQ(machine->ReadMemory(0xD019), 0x70);
  EXPECT_EQ(machine->ReadMemory(0xD01A), 0xF1);
  // Line 300 reads with the ninth bit in $D011.
  machine->RasterLine = 300;
  EXPECT_EQ(machine->ReadMemory(0xD012), 300 & 0xFF);
  EXPECT_EQ(machine->ReadMemory(0xD011) & 0x80, 0x80);
  // A PSID tune may not switch the raster interrupt off while a CIA timer A runs.
  machine->RealC64Mode = 0;
  StartTimerA(*machine, 0xDC00, 1000);
  machine->WriteMemory(0xD01A, 0x00);
  EXPECT_EQ(machine->IoShadow[0x01A], 0x01);
}

TEST(Interrupts, OneShotTimerStopsAndReadsStopped) {
  auto machine = MakeIrqMachine(CiaHandler);
  machine->FlagI = 1;
  StartTimerA(*machine, 0xDC00, 20, 0x19);
  EXPECT_EQ(machine->ReadMemory(0xDC0E) & 0x01, 0x01);
  machine->ExecuteCycles(200);
  EXPECT_EQ(machine->TimerStopped[0], 1);
  EXPECT_EQ(machine->ReadMemory(0xDC0E) & 0x01, 0x00);
  EXPECT_EQ(machine->ReadMemory(0xDC0D) & 0x01, 0x01) << "exactly one underflow was flagged";
  machine->ExecuteCycles(200);
  EXPECT_EQ(machine->ReadMemory(0xDC0D), 0x00);
}

TEST(Interrupts, VbiLockKeepsCia1TimerAFromTheTune) {
  auto machine = MakeMachine(0x35);
  StartTimerA(*machine, 0xDC00, 19655);
  machine->VbiLock = 1;
  machine->WriteMemory(0xDC04, 0x12);
  machine->WriteMemory(0xDC05, 0x34);
  machine->WriteMemory(0xDC0D, 0x7F);
  machine->WriteMemory(0xDC0E, 0x00);
  EXPECT_EQ(machine->TimerLatch[0], 19655);
  EXPECT_EQ(machine->IcrMask[0], 0x01);
  EXPECT_EQ(machine->TimerStopped[0], 0);
  EXPECT_EQ(machine->IoShadow[0xC0E], 0x00) << "the shadow still takes the value";
  machine->WriteMemory(0xDC06, 0x12);
  machine->WriteMemory(0xDD04, 0x34);
  EXPECT_EQ(machine->TimerLatch[1] & 0xFF, 0x12) << "timer B is the tune's";
  EXPECT_EQ(machine->TimerLatch[2] & 0xFF, 0x34) << "CIA 2 is the tune's";
}

TEST(Interrupts, TimeOfDayCarries) {
  auto machine = MakeMachine(0x35);
  machine->WriteMemory(0xDC0B, 0x11);  // hours halt the clock until tenths are written
  machine->WriteMemory(0xDC0A, 0x05);
  machine->WriteMemory(0xDC09, 0x59);
  machine->TickTod(200000);
  EXPECT_EQ(machine->ReadMemory(0xDC09), 0x59) << "halted";
  machine->WriteMemory(0xDC08, 0x09);
  machine->TickTod(102273);
  EXPECT_EQ(machine->ReadMemory(0xDC08), 0x00);
  EXPECT_EQ(machine->ReadMemory(0xDC09), 0x00);
  EXPECT_EQ(machine->ReadMemory(0xDC0A), 0x06);
  EXPECT_EQ(machine->ReadMemory(0xDC0B), 0x11);
  // 50 Hz input (CRA bit 7) makes a tenth shorter.
  machine->WriteMemory(0xDC08, 0x00);
  machine->WriteMemory(0xDC0E, 0x80);
  machine->TickTod(98525);
  EXPECT_EQ(machine->ReadMemory(0xDC08), 0x01);
}

TEST(Interrupts, NmiWithZeroVectorReturnsAtOnce) {
  auto machine = MakeIrqMachine(CiaHandler);
  machine->Ram[0xFFFA] = machine->Ram[0xFFFB] = 0;
  machine->SP = 0xFF;
  TWriteCounter pushes;
  machine->WriteObserver = &pushes;
  StartTimerA(*machine, 0xDD00, 50);
  machine->ExecuteCycles(500);
  EXPECT_GE(pushes.StackWrites, 6) << "at least two NMIs were taken";
  EXPECT_EQ(machine->SP, 0xFF);
  EXPECT_EQ(machine->PC, Main);
  EXPECT_EQ(machine->NmiInService, 0);
  EXPECT_EQ(machine->StackDepth, 0);
}

TEST(Interrupts, NmiMeetingBrkPushesBSet) {
  auto machine = MakeIrqMachine(CiaHandler);
  Place(*machine, Main, {0x00, 0x00});
  machine->SP = 0xFF;
  // CIA 2 timer A one cycle from underflow: it runs out in the middle of the BRK.
  machine->WriteMemory(0xDD0D, 0x81);
  machine->TimerLatch[2] = 1000;
  machine->TimerCounter[2] = 1;
  machine->TimerStopped[2] = 0;
  machine->ExecuteCycles(7);
  EXPECT_EQ(machine->PC, NmiHandler);
  EXPECT_EQ(machine->SP, 0xFC) << "one frame, not two";
  EXPECT_EQ(machine->Ram[0x01FD] & 0x10, 0x10) << "B set in the NMI's status byte";
  EXPECT_EQ(machine->Ram[0x01FE], 0x02);
  EXPECT_EQ(machine->Ram[0x01FF], 0x10);
}

TEST(Interrupts, IrqWaitsForClearedIFlagInTheC64Environment) {
  auto machine = MakeIrqMachine(CiaHandler, false);
  TEntryLog log(*machine);
  machine->WriteObserver = &log;
  Place(*machine, Main, {0x78, 0x4C, 0x01, 0x10});  // SEI; JMP *
  StartTimerA(*machine, 0xDC00, 200);
  machine->ExecuteCycles(2000);
  EXPECT_TRUE(log.Times.empty());
  // CLI lets the pending interrupt through.
  Place(*machine, 0x1100, {0x58, 0x4C, 0x01, 0x11});
  machine->ExecuteCycles(50);
  EXPECT_EQ(log.Times.size(), 1u);
}

TEST(Interrupts, TimerLowByteIsReadAtTheReadCycle) {
  auto machine = MakeIrqMachine(CiaHandler);
  machine->FlagI = 1;
  StartTimerA(*machine, 0xDC00, 30000);
  Place(*machine, 0x1100, {0xAD, 0x04, 0xDC, 0xAA, 0xAD, 0x04, 0xDC, 0x02});  // LDA $DC04; TAX; LDA $DC04
  machine->ExecuteCycles(10);
  EXPECT_EQ(static_cast<uint8_t>(machine->X - machine->A), 6) << "one count per cycle of LDA and TAX";
}

TEST(Interrupts, DummyReadOfTheInterruptDataRegister) {
  struct TCase {
    const char* Name;
    std::initializer_list<uint8_t> Code;
    uint8_t X;
    int FlagInA;  // -1: the instruction loads nothing
  };
  const TCase cases[] = {
      {"LDA $DC00,X in the page makes no dummy read", {0xBD, 0x00, 0xDC, 0x02}, 0x0D, 1},
      {"LDA $DCFE,X across the page reads $DC0D first", {0xBD, 0xFE, 0xDC, 0x02}, 0x0F, 0},
      {"STA $DC00,X always reads before it writes", {0x9D, 0x00, 0xDC, 0x02}, 0x0D, -1},
  };
  for (const TCase& c : cases) {
    auto machine = MakeIrqMachine(CiaHandler);
    machine->FlagI = 1;
    StartTimerA(*machine, 0xDC00, 20);
    machine->ExecuteCycles(60);
    ASSERT_EQ(machine->IcrData[0] & 1, 1) << c.Name;
    Place(*machine, 0x1100, c.Code);
    machine->X = c.X;
    machine->A = 0;
    machine->ExecuteCycles(3);
    if (c.FlagInA >= 0) {
      EXPECT_EQ(machine->A & 1, c.FlagInA) << c.Name;
    }
    EXPECT_EQ(machine->IcrData[0], 0) << c.Name << ": acknowledged";
  }
}

TEST(Interrupts, PsidPlayRoutineIsCalledFromIdle) {
  struct TCase {
    const char* Name;
    bool Raster;
    int64_t Period;
    uint8_t Return;  // RTS, or RTI, which ends a directly called play routine without pulling
    uint8_t Sp;
  };
  for (const TCase& c : {TCase{"raster", true, 19656, 0x60, 0xFF}, TCase{"CIA", false, 16381, 0x60, 0xFF},
                         TCase{"raster, RTI", true, 19656, 0x40, 0xFD}}) {
    auto machine = MakeMachine(0x35);
    TEntryLog log(*machine);
    machine->WriteObserver = &log;
    Place(*machine, 0x1800, {0x8D, 0x00, 0x04, c.Return});  // STA $0400; RTS or RTI
    machine->PC = 0xFFFF;
    machine->PlayAddress = 0x1800;
    if (c.Raster) {
      machine->WriteMemory(0xD012, 100);
      machine->WriteMemory(0xD01A, 0x01);
    } else {
      StartTimerA(*machine, 0xDC00, 16380);
    }
    machine->ExecuteCycles(10.0 * static_cast<double>(c.Period));
    ASSERT_GE(log.Times.size(), 8u) << c.Name;
    for (const int64_t spacing : Spacings(log.Times)) EXPECT_EQ(spacing, c.Period) << c.Name;
    EXPECT_GE(machine->PC, 0xFFFE) << c.Name << ": back to idle";
    EXPECT_EQ(machine->SP, c.Sp) << c.Name;
  }
}
