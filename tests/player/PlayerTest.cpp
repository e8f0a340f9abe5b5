// The player thread on a real tune, with real threads and timers behind a chip that keeps real
// time. Bounds on rates are generous: they tell a working pacing from a broken one, not how well
// it keeps time (the benchmark measures that).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "output/DeviceHost.h"
#include "player/PlayerRig.h"

namespace {

using namespace std::chrono_literals;

constexpr auto Patience = 20s;

class PlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(CommandoTune)) GTEST_SKIP() << "test tune missing: " << CommandoTune;
    ASSERT_TRUE(Rig.Load(CommandoTune));
  }

  // Starts the tune and waits until its music reaches the chip.
  void PlayUntilMusic() {
    Rig.Play();
    ASSERT_TRUE(
        WaitUntil([this] { return Rig.Machine->Writer->SoundStarted && Rig.Device->NonZero(0, 24) > 200; }, Patience));
  }

  // Milliseconds of C64 time per real millisecond over the given stretch.
  double EmulationRate(std::chrono::milliseconds stretch) {
    const auto start = std::chrono::steady_clock::now();
    const uint64_t first = Rig.EmulatedMs();
    std::this_thread::sleep_for(stretch);
    const uint64_t last = Rig.EmulatedMs();
    const std::chrono::duration<double, std::milli> real = std::chrono::steady_clock::now() - start;
    return static_cast<double>(last - first) / real.count();
  }

  void StartFastForward(int32_t maxSpeed) {
    Rig.Timer.MaxForwardSpeed = maxSpeed;
    Rig.Timer.FastForward = true;
    Rig.Timer.PlaySpeed = 2;
    Rig.Machine->Writer->SetSpeed(2);
    Rig.Timer.PostFlush();
  }

  TPlayerRig Rig;
};

TEST_F(PlayerTest, PlaysTheSongAndStopEndsTheThreadSilencesTheChipAndClearsTheSidImage) {
  PlayUntilMusic();
  EXPECT_FALSE(Rig.Window.StartPending);
  EXPECT_FALSE(Rig.Window.ReloadPending);
  // Commando runs from the vertical blank of a PAL machine.
  EXPECT_NEAR(Rig.Timer.PlayFrequency, 985248.4444 / 19656, 0.01);
  EXPECT_NE(Rig.Device->WriteThread.load(), std::this_thread::get_id());
  EXPECT_TRUE(std::any_of(Rig.Machine->IoShadow.begin() + 0x400, Rig.Machine->IoShadow.begin() + 0x41B,
                          [](uint8_t value) { return value != 0; }));

  const uint32_t silenced = Rig.Device->Silences;
  Rig.Timer.StopPlayerThread();
  EXPECT_EQ(Rig.Timer.Player, nullptr);
  EXPECT_EQ(Rig.Device->Silences, silenced + 1);
  EXPECT_TRUE(std::all_of(Rig.Machine->IoShadow.begin() + 0x400, Rig.Machine->IoShadow.begin() + 0x41B,
                          [](uint8_t value) { return value == 0; }));
  const uint64_t writes = Rig.Device->Writes;
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(Rig.Device->Writes, writes);
  Rig.Timer.StopPlayerThread();  // harmless without a player
}

TEST_F(PlayerTest, AtNormalSpeedCsixtyFourTimeFollowsRealTime) {
  PlayUntilMusic();
  const double rate = EmulationRate(1500ms);
  // Paced, C64 time never runs ahead of real time; a busy machine may hold it back, but it moves.
  EXPECT_GT(rate, 0.1);
  EXPECT_LT(rate, 1.5);
  EXPECT_EQ(Rig.Timer.ForwardRate, 1);
}

TEST_F(PlayerTest, VoiceBoxesUncheckedAtTheStartKeepTheirVoicesSilent) {
  Rig.Window.VoiceChecked[1] = false;
  PlayUntilMusic();
  ASSERT_TRUE(WaitUntil([this] { return Rig.Device->NonZero(4, 4) > 0 && Rig.Device->NonZero(18, 18) > 0; }, Patience));
  EXPECT_EQ(Rig.Device->NonZero(7, 11), 0u);
}

struct TCommandCase {
  const char* Name;
  std::function<void(TdmTimer&)> Post;
  std::atomic<uint32_t> TPacedDevice::*Effect;
};

const TCommandCase CommandCases[] = {
    {"Flush", [](TdmTimer& timer) { timer.PostFlush(); }, &TPacedDevice::ClearBuffers},
    {"MuteAll", [](TdmTimer& timer) { timer.PostMuteAll(); }, &TPacedDevice::Commits},
    {"MuteVoice", [](TdmTimer& timer) { timer.PostMuteVoice(3); }, &TPacedDevice::Commits},
    {"UnmuteVoices",
     [](TdmTimer& timer) {
       timer.PostUnmuteVoices({true, true, true, true});
     },
     &TPacedDevice::Commits},
    {"FilterOff", [](TdmTimer& timer) { timer.PostFilterOff(); }, &TPacedDevice::Commits},
    {"FilterOn", [](TdmTimer& timer) { timer.PostFilterOn(); }, &TPacedDevice::Commits},
    {"ResetDevices", [](TdmTimer& timer) { timer.PostResetDevices(1); }, &TPacedDevice::Resets},
};

// Each post returns only after its command was carried out, and by the thread that runs the
// machine: the effect is there the moment the post returns.
TEST_F(PlayerTest, EachCommandIsCarriedOutByThePlayerThreadBeforeThePostReturns) {
  PlayUntilMusic();
  for (const TCommandCase& command : CommandCases) {
    SCOPED_TRACE(command.Name);
    const uint32_t before = (Rig.Device->*command.Effect).load();
    command.Post(Rig.Timer);
    EXPECT_GT((Rig.Device->*command.Effect).load(), before);
    EXPECT_EQ(Rig.Device->ControlThread.load(), Rig.Device->WriteThread.load());
    EXPECT_NE(Rig.Device->ControlThread.load(), std::this_thread::get_id());
  }
  EXPECT_EQ(Rig.Device->ResetFlag, 1);
  EXPECT_EQ(Rig.Device->ResetKeep, 0);
}

TEST_F(PlayerTest, WithoutAPlaybackEachCommandIsCarriedOutOnTheCallersThread) {
  for (const TCommandCase& command : CommandCases) {
    SCOPED_TRACE(command.Name);
    const uint32_t before = (Rig.Device->*command.Effect).load();
    command.Post(Rig.Timer);
    EXPECT_EQ((Rig.Device->*command.Effect).load(), before + 1);
    EXPECT_EQ(Rig.Device->ControlThread.load(), std::this_thread::get_id());
  }
}

TEST_F(PlayerTest, FastForwardRunsUpToTheLimitPerRealMillisecondOrUnlimited) {
  PlayUntilMusic();
  StartFastForward(5);
  const double limited = EmulationRate(1500ms);
  EXPECT_GT(limited, 1.5);
  EXPECT_LT(limited, 6.5);
  EXPECT_GE(Rig.Timer.ForwardRate, 1);
  EXPECT_LE(Rig.Timer.ForwardRate, 5);

  Rig.Timer.MaxForwardSpeed = TdmTimer::UnlimitedForwardSpeed;
  const double unlimited = EmulationRate(1500ms);
  EXPECT_GT(unlimited, 6.5);

  Rig.Timer.PlaySpeed = 1;
  Rig.Timer.FastForward = false;
  Rig.Machine->Writer->SetSpeed(1);
  Rig.Timer.PostFlush();
  EXPECT_TRUE(WaitUntil([this] { return Rig.Timer.ForwardRate == 1; }, Patience));
  const double normal = EmulationRate(1500ms);
  EXPECT_LT(normal, 1.5);
}

// A post answered while another waits (the window handles its events meanwhile) runs after it
// and does not overwrite it.
std::thread::id WindowThread;
std::atomic<bool> NestedPosted{false};
TdmTimer* NestedTimer = nullptr;

void PostWhileWaiting() {
  if (std::this_thread::get_id() != WindowThread || NestedPosted.exchange(true)) return;
  NestedTimer->PostResetDevices(0);
}

TEST_F(PlayerTest, APostFromInsideAnotherPostsWaitRunsAfterIt) {
  PlayUntilMusic();
  WindowThread = std::this_thread::get_id();
  NestedTimer = &Rig.Timer;
  NestedPosted = false;
  const TDeviceHost saved = DeviceHost();
  DeviceHost().ProcessMessages = PostWhileWaiting;
  const uint32_t resets = Rig.Device->Resets;
  const uint32_t clears = Rig.Device->ClearBuffers;
  Rig.Timer.PostFlush();
  DeviceHost() = saved;
  EXPECT_TRUE(NestedPosted);
  EXPECT_EQ(Rig.Device->Resets, resets + 1);
  EXPECT_GT(Rig.Device->ClearBuffers, clears);
}

}  // namespace
