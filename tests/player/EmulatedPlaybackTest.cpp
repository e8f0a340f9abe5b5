// Playback control on a computer without a SID card: the software chips are the only devices
// and the sound card is SDL's dummy driver, which takes frames at the pace of a real card. The
// demo tune plays through the real player thread.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <thread>

#include "TestFiles.h"
#include "output/EmulatedSid.h"
#include "player/PlaybackControlRig.h"

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitizerBuild = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitizerBuild = true;
#else
constexpr bool kSanitizerBuild = false;
#endif
#else
constexpr bool kSanitizerBuild = false;
#endif

namespace {

using namespace std::chrono_literals;

// The machine and playback control as the window has them, with the software chips as devices,
// after a card of one chip when asked.
struct TEmulatedRig {
  explicit TEmulatedRig(bool card = false) : Card(card) { Timer.Machine = Machine.get(); }

  // The frames the sound card has taken, those queued for it and the C64 time run, at one moment.
  struct TClocks {
    int64_t Taken;
    int64_t Queued;
    uint64_t EmulatedMs;
  };
  TClocks Clocks() const {
    return {Sid->Sound().DeliveredFrames(), Sid->Sound().WrittenFrames(), Timer.Player->EmulatedMs()};
  }
  double Seconds(int64_t frames) const { return double(frames) / Sid->Sound().Rate(); }

  TScratchSettings Scratch;
  bool Card;
  TEmulatedSid* Sid = nullptr;
  std::unique_ptr<T6510> Machine = std::make_unique<T6510>(std::vector<TDriverKind>{
      {[this] { return Card ? std::make_unique<TPacedDevice>(false) : nullptr; }},
      {[this] {
        auto device = std::make_unique<TEmulatedSid>();
        Sid = device.get();
        return std::unique_ptr<TSidDevice>(std::move(device));
      }}});
  TMachineLoaderSeat Seat{*Machine};
  TSidLoader Loader{Seat};
  TPreferences Preferences;
  TRecordingView View;
  TdmTimer Timer;
  TPlaybackControl Control{Timer, *Machine, Loader, Preferences, View};
};

class EmulatedPlaybackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(VEXLOR_DEMO_TUNE)) GTEST_SKIP() << "demo tune not built: " << VEXLOR_DEMO_TUNE;
  }
  void TearDown() override { unsetenv("SDL_AUDIODRIVER"); }
  bool WaitForMusic(TEmulatedRig& rig) {
    return WaitUntil([&] { return rig.Control.Playing() && rig.Machine->Writer->SoundStarted && rig.Sid->Heard(); }, 20s);
  }
};

// Without a sound server the list still offers both chips and Play says why nothing can be
// heard; once a sound card can be reached, the next Play plays.
TEST_F(EmulatedPlaybackTest, WithoutASoundServerPlaySaysWhyAndALaterPlayWorks) {
  TEmulatedRig rig;
  ASSERT_EQ(rig.Machine->Devices->Count(), 2);
  EXPECT_EQ(rig.Machine->Devices->GetName(0), "Emulated SID 6581");
  EXPECT_EQ(rig.Machine->Devices->GetName(1), "Emulated SID 8580");
  setenv("SDL_AUDIODRIVER", "nonexistent", 1);
  rig.Control.PlayFile(VEXLOR_DEMO_TUNE);
  const std::string reason = "The sound output cannot start: Audio target 'nonexistent' not available";
  const std::vector<std::pair<TMessageStyle, std::string>> told = {{TMessageStyle::Plain, reason}};
  EXPECT_EQ(rig.View.TakeMessages(), told);
  EXPECT_EQ(rig.View.Panel(TStatusPanel::Song), " " + reason);
  EXPECT_FALSE(rig.Control.Playing());
  EXPECT_TRUE(rig.Control.Controls().PlayEnabled);

  setenv("SDL_AUDIODRIVER", "dummy", 1);
  rig.Control.PlayPause();
  ASSERT_TRUE(WaitForMusic(rig));
  EXPECT_TRUE(rig.View.TakeMessages().empty());
  const int64_t heard = rig.Sid->Sound().DeliveredFrames();
  EXPECT_TRUE(WaitUntil([&] { return rig.Sid->Sound().DeliveredFrames() > heard + 4800; }, 10s));
  rig.Control.Stop();
  EXPECT_FALSE(rig.Sid->Heard()) << "Stop closes the sound output";
}

// The sound card's clock sets the pace: at normal speed C64 time follows the frames it takes;
// fast forward queues music in real time while C64 time runs faster, up to the limit, and the
// queue never grows past the latency.
TEST_F(EmulatedPlaybackTest, FastForwardShortensTheMusicByItsSpeed) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  constexpr int32_t kLimit = 4;
  constexpr int kLatencyMs = 200;  // no machine is busy enough to run this dry
  TEmulatedRig rig;
  rig.Preferences.SetSidLatency(kLatencyMs);
  rig.Timer.MaxForwardSpeed = kLimit;
  rig.Control.PlayFile(VEXLOR_DEMO_TUNE);
  ASSERT_TRUE(WaitForMusic(rig));
  const TSoundOutput& sound = rig.Sid->Sound();
  std::this_thread::sleep_for(300ms);
  const TEmulatedRig::TClocks normal = rig.Clocks();
  std::this_thread::sleep_for(1s);
  const TEmulatedRig::TClocks normalEnd = rig.Clocks();
  // A machine slowed by other work lags behind the card; none runs further ahead than the queue.
  const double normalHeard = rig.Seconds(normalEnd.Taken - normal.Taken);
  const double normalRun = double(normalEnd.EmulatedMs - normal.EmulatedMs) / 1000.0;
  EXPECT_LE(normalRun, normalHeard + rig.Seconds(sound.LatencyFrames() + sound.DeviceBufferFrames()));
  EXPECT_GT(normalRun, normalHeard / 2);

  rig.Control.NextButtonDown();
  rig.Control.TimerFired(TWindowTimer::NextHold);
  ASSERT_EQ(rig.Timer.PlaySpeed, 2);
  std::this_thread::sleep_for(100ms);
  const TEmulatedRig::TClocks forward = rig.Clocks();
  for (int look = 0; look < 10; ++look) {
    std::this_thread::sleep_for(100ms);
    EXPECT_LE(sound.QueuedFrames(), sound.LatencyFrames());
  }
  const TEmulatedRig::TClocks forwardEnd = rig.Clocks();
  rig.Control.NextButtonUp();
  // What was queued while forwarding against the C64 time it held.
  const double speed = double(forwardEnd.EmulatedMs - forward.EmulatedMs) / 1000.0 /
                       rig.Seconds(forwardEnd.Queued - forward.Queued);
  // A sanitizer build emulates too slowly to run ahead of real time at all.
  if (!kSanitizerBuild) {
    EXPECT_GT(speed, 1.5) << "fast forward is heard faster";
  }
  EXPECT_LE(speed, kLimit * 1.1) << "the maximum forward speed holds";
  rig.Control.Stop();
}

// A card of one chip cannot play a tune for three SIDs: the software SID of the tune's model
// plays every chip, the status bar says why, and the next tune goes back to the card.
TEST_F(EmulatedPlaybackTest, ATuneForMoreSidsThanTheCardHasPlaysOnTheSoftwareSid) {
  const std::filesystem::path hope = CorpusTune("MUSICIANS/C/Chiummo_Gaetano/Hope_3SID.sid");
  SKIP_WITHOUT(hope.string());
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  TEmulatedRig rig(true);
  ASSERT_EQ(rig.Machine->Devices->GetName(2), "Emulated SID 8580");
  rig.Control.PlayFile(hope.string());
  ASSERT_TRUE(WaitForMusic(rig));
  EXPECT_EQ(rig.Control.Controls().Device, 2);
  EXPECT_EQ(rig.Machine->Writer->ChipDevices(), (std::array<int32_t, 3>{2, 2, 2}));
  for (int update = 0; update < TPlaybackControl::StatusUpdatesPerSpeedShow; ++update) rig.Control.UpdateStatusBar();
  EXPECT_EQ(rig.View.Panel(TStatusPanel::Cpu).substr(14),
            "   Tune for 3 SID chips: " + rig.Machine->Devices->GetName(0) + " has too few chips, the software SID plays it.");
  rig.Control.Stop();
  rig.Control.LoadFile(VEXLOR_DEMO_TUNE);
  EXPECT_EQ(rig.Control.Controls().Device, 0);
}

}  // namespace
