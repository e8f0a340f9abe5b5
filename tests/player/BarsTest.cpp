// The level display's thread with its real 20 ms timer, playing back the stream's delay line.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "player/Bars.h"
#include "player/PlayerRig.h"

namespace {

using namespace std::chrono_literals;

constexpr auto Patience = 20s;

int32_t Highest(const TBars& bars) {
  int32_t highest = 0;
  for (const auto& bar : bars.Bar) highest = std::max(highest, bar.load());
  return highest;
}

// The chip takes every write at once, so the whole stream below is written in an instant; the
// bars still show each note when its C64 time comes.
TEST(Bars, LevelsRiseWhenANoteIsHeardAndFallAfterwards) {
  TPlayerRig rig(false);
  TSidWriter& writer = *rig.Machine->Writer;
  TBars bars(rig.Timer, writer, rig.Window, nullptr);
  bars.Start();
  writer.SetSpeed(1);
  writer.MuteVoice(3);
  const auto start = std::chrono::steady_clock::now();
  writer.WriteSid(1, 0x20, 1);
  writer.WriteSid(4, 0x11, 1);  // voice 1 gates: the tune's sound starts here
  writer.WriteSid(8, 0x20, 1);
  writer.WriteSid(15, 0x20, 1);
  writer.WriteSid(18, 0x11, 1);       // voice 3, muted
  writer.WriteSid(11, 0x11, 295574);  // voice 2 gates 0.3 s of PAL time later

  int32_t mutedOrDigi = 0;
  const auto watch = [&](const std::function<bool()>& condition) {
    return WaitUntil(
        [&] {
          mutedOrDigi = std::max({mutedOrDigi, bars.Bar[2].load(), bars.Bar[3].load()});
          return condition();
        },
        Patience);
  };
  ASSERT_TRUE(watch([&] { return bars.Bar[0] >= 60; }));
  ASSERT_TRUE(watch([&] { return bars.Bar[1] > 0; }));
  const auto voiceTwoShown = std::chrono::steady_clock::now() - start;
  EXPECT_GE(voiceTwoShown, 200ms);
  EXPECT_TRUE(watch([&] { return Highest(bars) == 0; }));
  EXPECT_EQ(mutedOrDigi, 0);
}

class BarsOnATune : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(CommandoTune)) GTEST_SKIP() << "test tune missing: " << CommandoTune;
    ASSERT_TRUE(Rig.Load(CommandoTune));
  }

  TPlayerRig Rig;
  std::atomic<int> Refreshes{0};
  TBars Bars{Rig.Timer, *Rig.Machine->Writer, Rig.Window, [this] { ++Refreshes; }};
};

TEST_F(BarsOnATune, ShowTheRoundedRateRefreshTheStatusWhileLiveAndEmptyAfterStop) {
  Bars.Start();
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(Rig.Timer.PlayFrequency, 0.0f);
  EXPECT_EQ(Refreshes, 0);

  Rig.Play();
  // The player shows 50.12 Hz; the bars round it.
  EXPECT_TRUE(WaitUntil([this] { return Rig.Timer.PlayFrequency == 50.0f; }, Patience));
  EXPECT_TRUE(WaitUntil([this] { return Highest(Bars) > 0; }, Patience));

  Rig.Window.StatusLive = true;
  EXPECT_TRUE(WaitUntil([this] { return Refreshes > 3; }, Patience));
  Rig.Window.StatusLive = false;
  std::this_thread::sleep_for(60ms);
  const int refreshed = Refreshes;
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(Refreshes, refreshed);

  Rig.Timer.StopPlayerThread();
  EXPECT_TRUE(WaitUntil([this] { return Highest(Bars) == 0; }, Patience));
}

}  // namespace
