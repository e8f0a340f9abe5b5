#include <gtest/gtest.h>

#include <set>

#include "output/RecordingDevice.h"

namespace {

using platform::TPriorityClass;

std::string Priority(TPriorityClass priorityClass) {
  return "priority " + std::to_string(int(priorityClass));
}

// A paced driver on a counter that moves 100 ns per read, so busy waits end quickly.
class PacingTest : public ::testing::Test {
 protected:
  void SetUp() override { TFakeClock::Step = 100; }
  // Ticks of n PAL cycles, as the pacing computes them.
  static int64_t PalTicks(int64_t cycles) { return int64_t(1e9 / 985248.4444 * double(cycles)); }
  TRecordingHost Host;
  TRecordingDevice Device{1, "Paced", true};
};

TEST_F(PacingTest, FirstDelayStartsTheCycleClockThenDelaysAdvanceItShortOnesByFour) {
  const int64_t before = TFakeClock::Time;
  Device.Delay(0, 5000);
  EXPECT_EQ(Device.CycleBaseNow(), before + TFakeClock::Step);
  EXPECT_EQ(TFakeClock::Time, before + TFakeClock::Step) << "the first delay must not wait";
  const struct {
    int32_t Cycles;
    int64_t Advance;
  } cases[] = {{100, PalTicks(100)}, {0, PalTicks(4)}, {-5, PalTicks(4)}, {1, PalTicks(1)}};
  for (const auto& c : cases) {
    const int64_t base = Device.CycleBaseNow();
    Device.Delay(0, c.Cycles);
    EXPECT_EQ(Device.CycleBaseNow() - base, c.Advance) << c.Cycles << " cycles";
    EXPECT_GE(TFakeClock::Time, Device.CycleBaseNow() - TFakeClock::Step) << "returned before due";
  }
}

TEST_F(PacingTest, MoreThanOneMillisecondBehindRestartsTheClockInsteadOfCatchingUp) {
  for (const int64_t lateBeyondLimit : {int64_t(0), int64_t(1), int64_t(50'000'000)}) {
    Device.Delay(0, 1);
    const int64_t due = Device.CycleBaseNow() + PalTicks(100);
    const int64_t entry = due + 1'000'000 + lateBeyondLimit;
    TFakeClock::Time = entry - TFakeClock::Step;
    Device.Delay(0, 100);
    EXPECT_EQ(Device.CycleBaseNow(), lateBeyondLimit > 0 ? entry : due) << lateBeyondLimit;
  }
}

TEST_F(PacingTest, GivesTheProcessorAwayEveryTwentyMillisecondsOfC64Time) {
  const struct {
    bool Active;
    std::vector<std::string> Events;
  } cases[] = {
      {true, {"yield", "yield"}},
      {false,
       {Priority(TPriorityClass::Normal), "yield", "sleep 1", Priority(TPriorityClass::High),
        Priority(TPriorityClass::Normal), "yield", "sleep 1"}},
  };
  for (const auto& c : cases) {
    TRecordingDevice device(1, "Paced", true);
    TRecordingHost::Events.clear();
    TRecordingHost::Active = c.Active;
    auto shortDelays = [&device] {
      for (int i = 0; i < 200; ++i) device.Delay(0, 100);
    };
    shortDelays();          // 20,000 cycles: one yield
    device.Delay(0, 2000);  // sleeps, and a delay this long cancels the next yield
    shortDelays();
    shortDelays();
    EXPECT_EQ(TRecordingHost::Events, c.Events) << (c.Active ? "active" : "in the background");
  }
}

TEST_F(PacingTest, WritesToOneChipAreSpacedByACycleButAnotherChipIsNotHeldBack) {
  const struct {
    std::vector<int32_t> Chips;
    bool LastSpaced;
  } cases[] = {{{0, 0}, true},
               {{0, 1}, false},
               {{0, 0, 1}, false},
               {{0, 1, 0}, false},
               {{0, 0, 1, 0}, true}};
  for (const auto& c : cases) {
    TRecordingDevice device(2, "Paced", true);
    for (size_t i = 0; i + 1 < c.Chips.size(); ++i) device.Write(c.Chips[i], 0, 0, 0);
    const int64_t before = TFakeClock::Time;
    device.Write(c.Chips.back(), 0, 0, 0);
    const int64_t waited = TFakeClock::Time - before;
    if (c.LastSpaced)
      EXPECT_GE(waited, device.TicksPerCycleNow() - 2 * TFakeClock::Step)
          << ::testing::PrintToString(c.Chips);
    else
      EXPECT_LE(waited, TFakeClock::Step) << ::testing::PrintToString(c.Chips);
  }
}

TEST_F(PacingTest, ResetClearsEveryRegisterAndLeavesSustainReleaseAtEight) {
  for (const uint8_t flag : {0, 1}) {
    TRecordingDevice device(1, "Paced", true);
    ASSERT_TRUE(device.ResetDevice(0, flag));
    const std::vector<TDeviceCall> writes = device.Calls("Write");
    std::vector<TDeviceCall> opening = {
        {"Write", 0, 4, 8, 0}, {"Write", 0, 11, 8, 0}, {"Write", 0, 18, 8, 0}};
    if (flag == 1) opening.push_back({"Write", 0, 24, 8, 0});
    ASSERT_GT(writes.size(), opening.size() + 3);
    EXPECT_EQ(std::vector<TDeviceCall>(writes.begin(), writes.begin() + long(opening.size())),
              opening);
    EXPECT_EQ(std::vector<TDeviceCall>(writes.end() - 3, writes.end()),
              (std::vector<TDeviceCall>{
                  {"Write", 0, 4, 1000, 0}, {"Write", 0, 11, 8, 0}, {"Write", 0, 18, 8, 0}}));
    std::map<int32_t, int32_t> last;
    std::set<int32_t> setToEight;
    for (const TDeviceCall& write : writes) {
      last[write.Reg] = write.Value;
      if (write.Value == 8) setToEight.insert(write.Reg);
    }
    for (int32_t reg = 0; reg <= 26; ++reg) {
      if (reg == 24) {
        EXPECT_EQ(last.count(24), flag) << "volume is only cleared on request";
        continue;
      }
      const bool frequency = reg == 0 || reg == 1 || reg == 7 || reg == 8 || reg == 14 || reg == 15;
      EXPECT_EQ(last[reg], reg == 6 || reg == 13 || reg == 20 ? 8 : 0) << "register " << reg;
      EXPECT_EQ(setToEight.count(reg), frequency ? 0u : 1u) << "register " << reg;
    }
  }
}

TEST_F(PacingTest, ModelIsTheHighestOscillatorReadingAfterTheWarmUp) {
  const struct {
    const char* Name;
    std::function<uint8_t(int)> Oscillator;
    const char* Model;
  } cases[] = {
      {"6581 range", [](int) { return uint8_t(127); }, "6581"},
      {"one 8580 peak", [](int n) { return uint8_t(n == 300 ? 128 : 20); }, "8580"},
      {"peak only during warm-up", [](int n) { return uint8_t(n < 101 ? 255 : 100); }, "6581"},
  };
  for (const auto& c : cases) {
    TRecordingDevice device(1, "Paced", true);
    device.ReadValue = c.Oscillator;
    EXPECT_EQ(device.DetectModel(0), c.Model) << c.Name;
    EXPECT_EQ(device.ReadCount, 357) << c.Name;
    const std::vector<TDeviceCall> writes = device.Calls("Write");
    EXPECT_EQ(writes, (std::vector<TDeviceCall>{{"Write", 0, 14, 0, 0x20},
                                                {"Write", 0, 15, 100, 0x20},
                                                {"Write", 0, 18, 100, 0x31},
                                                {"Write", 0, 18, 0, 0x30}}))
        << c.Name;
    EXPECT_EQ(device.Log.back().Op, "Silence") << c.Name;
  }
}

TEST(SidDeviceClock, ModesSetTheRateAndALockedClockIgnoresTheTune) {
  TRecordingDevice device;
  auto expectRate = [&device](double hz, TClockMode mode, const char* step) {
    EXPECT_DOUBLE_EQ(device.SecondsPerCycle(0), 1.0 / hz) << step;
    EXPECT_EQ(device.TicksPerCycleNow(), int64_t(1e9 / hz + 1.0)) << step;
    EXPECT_EQ(device.ClockMode(), mode) << step;
  };
  EXPECT_EQ(device.ClockMode(), TClockMode::Ntsc) << "constructed";
  EXPECT_DOUBLE_EQ(device.SecondsPerCycle(0), 1.0 / 985248.4444) << "constructed";
  device.SetClock(0, TClockMode::Ntsc);
  expectRate(1022727.2143, TClockMode::Ntsc, "NTSC");
  device.LockClock(0, TClockMode::OneMhz);
  expectRate(1000000.0, TClockMode::Ntsc, "locked to 1 MHz");
  device.SetClock(0, TClockMode::Pal);
  expectRate(1000000.0, TClockMode::Ntsc, "PAL while locked");
  device.UnlockClock(0);
  expectRate(1022727.2143, TClockMode::Ntsc, "unlocked");
  device.SetClock(0, TClockMode::Pal);
  expectRate(985248.4444, TClockMode::Pal, "PAL");
}

}  // namespace
