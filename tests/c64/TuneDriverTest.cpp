// The tune driver: placing a tune, preparing a song by its kind and speed bits, the return from
// init into the play phase, the millisecond steps and the clocks kept around them.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "c64/MachineFixture.h"
#include "c64/T6510.h"
#include "firmware/FirmwareImages.h"
#include "output/RecordingDevice.h"

namespace {

constexpr uint8_t Rts = 0x60;

uint16_t WordAt(const T6510& machine, uint16_t address) {
  return static_cast<uint16_t>(machine.Ram[address] | machine.Ram[address + 1] << 8);
}

std::string TextAt(const T6510& machine, uint16_t address, size_t length) {
  return std::string(machine.Ram.begin() + address, machine.Ram.begin() + address + length);
}

// Loads code at load and starts song the way the player thread does, in PAL.
void LoadAndStart(T6510& machine, uint16_t load, const std::vector<uint8_t>& code, uint16_t init, uint16_t play,
                  uint8_t song = 1, uint32_t speed = 0, bool rsid = false) {
  machine.LoadTune("tune.sid", code, static_cast<uint8_t>(song - 1), rsid, load);
  machine.SetVideoStandard(1);
  machine.PresetCiaTimers(song, rsid, speed);
  machine.StartSong(nullptr, song, rsid, speed, play, init);
}

struct TSpeedCase {
  uint8_t Song;
  uint32_t Speed;
  bool PlaySid;
  bool CiaTimed;
};

TEST(TuneDriver, SpeedBitOfTheSongChoosesTheTimingSource) {
  const TSpeedCase cases[] = {
      {1, 0x00000001, false, true},   {2, 0x00000001, false, false}, {31, 0x40000000, false, true},
      {40, 0x80000000, false, true},  {40, 0x00000080, false, false}, {40, 0x00000080, true, true},
      {40, 0x80000000, true, false},  {0, 0x00000001, false, true},
  };
  for (const TSpeedCase& c : cases) {
    SCOPED_TRACE("song " + std::to_string(c.Song) + " speed " + std::to_string(c.Speed));
    T6510 machine;
    machine.SetPlaySidMode(c.PlaySid);
    LoadAndStart(machine, 0x1000, {Rts, 0xEA, 0xEA, Rts}, 0x1000, 0x1003, c.Song, c.Speed);
    EXPECT_EQ(machine.VbiLock, !c.CiaTimed);
    EXPECT_EQ(machine.TimerIrqEnabled[0], c.CiaTimed);
    EXPECT_EQ(machine.FramePeriod(), c.CiaTimed ? 0x4025 + 1 : 19656);
  }
}

// The collection's song lengths were timed with CIA 1 timer A as the C64's reset leaves it: a
// tune that sets only the high byte keeps the reset's low byte, one that sets nothing the whole.
TEST(TuneDriver, CiaTunesFindTimerAAsTheResetLeftIt) {
  struct TCase {
    uint8_t Pal;
    bool HighByteOnly;
    int32_t Period;
  };
  for (const TCase c : {TCase{1, true, 0x3025 + 1}, TCase{0, true, 0x3095 + 1}, TCase{1, false, 0x4025 + 1},
                        TCase{0, false, 0x4295 + 1}}) {
    SCOPED_TRACE(testing::Message() << "pal " << int(c.Pal) << " high byte only " << c.HighByteOnly);
    T6510 machine;
    TRecordingSink sink;
    machine.SetSidSink(&sink);
    // init: blank the screen (no bad lines to delay the play routine), LDA #$30, STA $DC05 or
    // not, RTS. play at $100C: STA $D400, RTS.
    const uint8_t store = c.HighByteOnly ? 0x8D : 0x2C;  // STA or BIT
    const std::vector<uint8_t> code = {0xA9, 0x0B, 0x8D, 0x11, 0xD0, 0xA9, 0x30, store, 0x05, 0xDC, Rts, Rts,
                                       0x8D, 0x00, 0xD4, Rts};
    machine.LoadTune("tune.sid", code, 0, false, 0x1000);
    machine.SetVideoStandard(c.Pal);
    machine.PresetCiaTimers(1, false, 1);
    machine.StartSong(nullptr, 1, false, 1, 0x100C, 0x1000);
    for (int ms = 0; ms < 200; ++ms) machine.Step();
    ASSERT_GT(sink.Writes.size(), 5u);
    for (size_t call = 2; call < sink.Writes.size(); ++call) EXPECT_EQ(sink.Writes[call].Cycles, c.Period) << call;
  }
}

TEST(TuneDriver, InitReturnsIntoIdlePlayPhase) {
  T6510 machine;
  // init: LDA #$0F, STA $D418, RTS; play at $1006.
  LoadAndStart(machine, 0x1000, {0xA9, 0x0F, 0x8D, 0x18, 0xD4, Rts, Rts}, 0x1000, 0x1006);
  EXPECT_EQ(machine.PlayAddress, 0x1006);
  EXPECT_EQ(machine.PC, 0xFFFF);
  EXPECT_EQ(machine.InitPhase, 0);
  EXPECT_EQ(machine.StackDepth, 2);
  EXPECT_EQ(machine.FlagI, 0);
  EXPECT_EQ(machine.SidVolume, 0x0F);
}

TEST(TuneDriver, PlayAddressEqualToInitLeavesTheTuneToItsOwnInterrupt) {
  T6510 machine;
  TRecordingSink sink;
  machine.SetSidSink(&sink);
  // init: SEI, handler $1100 into $0314/$0315, CLI, RTS. Handler: STA $D400, JMP $EA31.
  std::vector<uint8_t> code(0x110, 0xEA);
  const std::vector<uint8_t> init = {0x78, 0xA9, 0x00, 0x8D, 0x14, 0x03, 0xA9, 0x11, 0x8D, 0x15, 0x03, 0x58, Rts};
  std::copy(init.begin(), init.end(), code.begin());
  const std::vector<uint8_t> handler = {0x8D, 0x00, 0xD4, 0x4C, 0x31, 0xEA};
  std::copy(handler.begin(), handler.end(), code.begin() + 0x100);
  LoadAndStart(machine, 0x1000, code, 0x1000, 0x1000);
  EXPECT_EQ(machine.PlayAddress, 0);
  EXPECT_EQ(machine.PC, 0x1000);
  for (int ms = 0; ms < 1000; ++ms) machine.Step();
  EXPECT_NEAR(static_cast<int>(sink.Writes.size()), 50, 1);
}

struct TZeroPlayCase {
  uint16_t Play;
  uint16_t ExpectedPc;
};

TEST(TuneDriver, PlayAddressOnZeroByteEntersTheInterruptVector) {
  // $1003 is played with the KERNAL banked in; $E003 with RAM there, whose vector is 0, so the
  // handler comes from $0314.
  for (const TZeroPlayCase& c : {TZeroPlayCase{0x1003, firmware::IrqEntry}, TZeroPlayCase{0xE003, 0xEA31}}) {
    SCOPED_TRACE(c.Play);
    T6510 machine;
    LoadAndStart(machine, 0x1000, {Rts, 0xEA, 0xEA, 0x00}, 0x1000, c.Play);
    EXPECT_EQ(machine.PlayAddress, 0);
    EXPECT_EQ(machine.PC, c.ExpectedPc);
    EXPECT_EQ(machine.StackDepth, 3);
    EXPECT_EQ(machine.FlagI, 1);
    // The handler's RTI lands in the idle state.
    EXPECT_EQ(machine.SP, 0xFC);
    EXPECT_EQ(machine.Ram[0x01FE], 0xFE);
    EXPECT_EQ(machine.Ram[0x01FF], 0xFF);
    EXPECT_EQ(machine.Ram[0x01FD] & 0x30, 0x20);
  }
}

TEST(TuneDriver, BasicProgramTheBuiltInBasicCannotRunNeedsBasic) {
  T6510 machine;
  // 10 PRINT: the built-in BASIC runs SYS/POKE programs only
  LoadAndStart(machine, 0x0801, {0x07, 0x08, 0x0A, 0x00, 0x99, 0x00, 0x00, 0x00}, 0, 0, 1, 0xFFFFFFFF, true);
  EXPECT_EQ(machine.PC, 0xA7AE);
  EXPECT_EQ(machine.PortValue, 0x37);
  EXPECT_EQ(machine.SP, 0xFA);
  EXPECT_EQ(TextAt(machine, 0x01FB, 5), std::string("\xA4\x79\xA6\x0A\x00", 5));
  for (int ms = 0; ms < 100; ++ms) machine.Step();
  EXPECT_TRUE(machine.NeedsBasicRom());
}

TEST(TuneDriver, StepsAverageOneMillisecondOfCycles) {
  for (const uint8_t pal : {1, 0}) {
    T6510 machine;
    LoadAndStart(machine, 0x1000, {Rts, 0xEE, 0x20, 0xD0, Rts}, 0x1000, 0x1001);
    machine.SetVideoStandard(pal);
    double total = 0;
    constexpr int Steps = 20000;
    for (int step = 0; step < Steps; ++step) {
      machine.Step();
      total += machine.CyclesExecuted;
    }
    EXPECT_NEAR(total / Steps, pal ? 985.248 : 1022.727, 0.01);
  }
}

TEST(TuneDriver, DataPastTheEndOfMemoryIsCut) {
  T6510 machine;
  const std::array<uint8_t, 0x10000> before = [&] {
    machine.LoadTune("x", {}, 0, false, 0x1000);
    return machine.Ram;
  }();
  machine.LoadTune("x", std::vector<uint8_t>(32, 0xAB), 0, false, 0xFFF0);
  EXPECT_EQ(machine.Ram[0xFFF0], 0xAB);
  EXPECT_EQ(machine.Ram[0xFFFF], 0xAB);
  EXPECT_EQ(machine.LoadEnd, 0xFFFF);
  EXPECT_TRUE(std::equal(machine.Ram.begin() + 0x02, machine.Ram.begin() + 0x10, before.begin() + 0x02));
  EXPECT_EQ(WordAt(machine, 0x2D), 0x0000);
}

TEST(TuneDriver, LoadShowsTheLoadScreenAndSetsBasicPointers) {
  const std::vector<uint8_t> program = {0x0B, 0x08, 0x0A, 0x00, 0x9E, 0x32, 0x30, 0x36, 0x31, 0x00, 0x00, 0x00};
  for (const bool rsid : {false, true}) {
    T6510 machine;
    machine.LoadTune("/music/dir/My_tune{.sid", program, 2, rsid, 0x0801);
    EXPECT_EQ(TextAt(machine, 0x04F0, 22), "LOAD\"MY_TUNE\x1B.SID\",8,1");
    // Twelve characters: the search line on row 8, then rows 9 to 11.
    EXPECT_EQ(TextAt(machine, 0x0400 + 8 * 40, 26), "SEARCHING FOR MY_TUNE\x1B.SID");
    EXPECT_EQ(TextAt(machine, 0x0400 + 9 * 40, 7), "LOADING");
    EXPECT_EQ(TextAt(machine, 0x0400 + 10 * 40, 6), "READY.");
    EXPECT_EQ(TextAt(machine, 0x0400 + 11 * 40, 3), "RUN");
    EXPECT_EQ(WordAt(machine, 0xD1), 0x05E0);
    EXPECT_EQ(WordAt(machine, 0xF3), 0xD9E0);
    EXPECT_EQ(machine.Ram[0xD6], 12);
    EXPECT_EQ(machine.Ram[0x030C], 2);
    EXPECT_EQ(machine.LoadEnd, 0x080C);
    EXPECT_EQ(WordAt(machine, 0x2B), 0x0801);
    EXPECT_EQ(WordAt(machine, 0x39), 10);
    EXPECT_EQ(WordAt(machine, 0x7A), rsid ? 0x0800 : 0x080B);
    for (const uint16_t pointer : {0x2D, 0x2F, 0x31, 0xAE}) EXPECT_EQ(WordAt(machine, pointer), 0x080D);
    EXPECT_EQ(machine.PristineImage, machine.Ram);
  }
}

TEST(TuneDriver, RestoreSetsTheSongOnlyBelowTheTune) {
  T6510 machine;
  machine.LoadTune("x", std::vector<uint8_t>{0x11, 0x22}, 0, false, 0x030D);
  machine.Ram[0x2000] = 0x99;
  machine.RestoreTune(5, 0x030D, false);
  EXPECT_EQ(machine.Ram[0x2000], 0x00);
  EXPECT_EQ(machine.Ram[0x030C], 5);
  EXPECT_EQ(machine.Ram[0x030D], 0x11);
  EXPECT_EQ(machine.Ram[0x030E], 0x22);
}

struct TFrameCase {
  uint8_t Pal;
  uint8_t RasterIrq;
  uint8_t ControlB;
  uint16_t LatchA;
  uint16_t LatchB;
  uint16_t Expected;
};

TEST(TuneDriver, FramePeriodFollowsTheInterruptSource) {
  const TFrameCase cases[] = {
      {1, 1, 0x00, 1000, 5, 19656},  {0, 1, 0x00, 1000, 5, 17095}, {1, 0, 0x00, 16421, 5, 16422},
      {1, 0, 0x41, 99, 4, 500},      {1, 0, 0x61, 99, 4, 500},     {1, 0, 0x21, 99, 4, 100},
      {1, 0, 0x40, 0xFFFF, 1, 0},    {1, 0, 0x00, 0xFFFF, 0, 0},
  };
  for (const TFrameCase& c : cases) {
    T6510 machine;
    machine.SetVideoStandard(c.Pal);
    machine.IoShadow[0x1A] = c.RasterIrq;
    machine.IoShadow[0xC0F] = c.ControlB;
    machine.TimerLatch[0] = c.LatchA;
    machine.TimerLatch[1] = c.LatchB;
    EXPECT_EQ(machine.FramePeriod(), c.Expected);
  }
}

TEST(TuneDriver, PlayClockRunsOnlyOnceSoundHasStarted) {
  T6510 machine;
  LoadAndStart(machine, 0x1000, {Rts, Rts}, 0x1000, 0x1001);
  for (int ms = 0; ms < 2000; ++ms) machine.Step();
  EXPECT_EQ(machine.PlaySeconds, 0u);
  machine.Writer->SoundStarted = true;
  for (int ms = 0; ms < 990; ++ms) machine.Step();
  EXPECT_EQ(machine.PlaySeconds.load(), 0u);
  for (int ms = 0; ms < 20; ++ms) machine.Step();
  EXPECT_EQ(machine.PlaySeconds.load(), 1u);
  machine.PlaySeconds = 59;
  machine.PlayMinutes = 59;
  machine.PlayHours = 99;
  for (int ms = 0; ms < 1000; ++ms) machine.Step();
  EXPECT_EQ(machine.PlaySeconds.load(), 0u);
  EXPECT_EQ(machine.PlayMinutes.load(), 0u);
  EXPECT_EQ(machine.PlayHours.load(), 0u);
}

TEST(TuneDriver, LongSilenceIsHandedToAChipThatKeepsTime) {
  TRecordingHost noSettling;
  for (const int32_t delayResult : {1, 0}) {
    TRecordingDevice* chip = nullptr;
    T6510 machine({{[&chip] {
      auto device = std::make_unique<TRecordingDevice>();
      device->Buffered = true;
      chip = device.get();
      return std::unique_ptr<TSidDevice>(std::move(device));
    }}});
    chip->DelayResult = delayResult;
    LoadAndStart(machine, 0x1000, {Rts, Rts}, 0x1000, 0x1001);
    // The song start itself reports the chip reset as a silence; the steps start counting anew.
    chip->Log.clear();
    for (int ms = 0; ms < 30 && chip->Calls("Delay").empty(); ++ms) machine.Step();
    const std::vector<TDeviceCall> delays = chip->Calls("Delay");
    ASSERT_EQ(delays.size(), 1u);
    EXPECT_GE(delays[0].Cycles, 19656 - 1965);
    EXPECT_LT(delays[0].Cycles, 19656 - 1965 + 1100);
    if (delayResult > 0) {
      EXPECT_EQ(machine.CyclesSinceSidWrite, 1965);
    } else {
      EXPECT_GT(machine.CyclesSinceSidWrite, 19656);
    }
  }
}

TEST(TuneDriver, KernalHandlerKeepsTheCiaInterruptComingAndTheJiffyClockRunning) {
  T6510 machine;
  // A program's own IRQ handler ($1100: INC $02, JMP $EA31) behind the KERNAL's IRQ entry,
  // driven by CIA 1 timer A; the main program loops.
  std::vector<uint8_t> code(0x110, 0xEA);
  const std::vector<uint8_t> main = {0x78, 0xA9, 0x00, 0x8D, 0x14, 0x03, 0xA9, 0x11,
                                     0x8D, 0x15, 0x03, 0x58, 0x4C, 0x0C, 0x10};
  std::copy(main.begin(), main.end(), code.begin());
  const std::vector<uint8_t> handler = {0xE6, 0x02, 0x4C, 0x31, 0xEA};
  std::copy(handler.begin(), handler.end(), code.begin() + 0x100);
  LoadAndStart(machine, 0x1000, code, 0x1000, 0, 1, 0xFFFFFFFF, true);
  auto jiffyClock = [&machine] { return machine.Ram[0xA0] << 16 | machine.Ram[0xA1] << 8 | machine.Ram[0xA2]; };
  const int jiffies = jiffyClock();
  const uint8_t calls = machine.Ram[0x02];
  for (int ms = 0; ms < 2000; ++ms) machine.Step();
  // CIA 1 timer A at 16421 cycles: 60 interrupts a second.
  const int handled = static_cast<uint8_t>(machine.Ram[0x02] - calls);
  EXPECT_NEAR(handled, 120, 2);
  EXPECT_EQ(jiffyClock() - jiffies, handled);
  EXPECT_EQ(machine.IcrData[0] & 0x80, 0);
}

}  // namespace
