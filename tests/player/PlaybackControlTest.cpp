// Playback control on real tunes with real player threads: play, pause, stop, songs, voices and
// the failures the window must report. Bounds on time are generous waits, never measurements.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "player/PlaybackControlRig.h"

namespace {

using namespace std::chrono_literals;

class PlaybackControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(CommandoTune)) GTEST_SKIP() << "test tunes missing: " << CommandoTune;
  }

  // Writes of the chip in use to the registers first..last over a stretch of playing.
  uint32_t NonZeroOver(uint8_t first, uint8_t last, std::chrono::milliseconds stretch) {
    const uint32_t before = Rig.Chip().NonZero(first, last);
    std::this_thread::sleep_for(stretch);
    return Rig.Chip().NonZero(first, last) - before;
  }

  TControlRig Rig;
};

TEST_F(PlaybackControlTest, PlayStartsThePlaybackAndStopEndsIt) {
  ASSERT_TRUE(Rig.PlayUntilMusic(CommandoTune));
  const TPlaybackControls& controls = Rig.Control.Controls();
  EXPECT_TRUE(Rig.Control.Playing());
  EXPECT_TRUE(Rig.Control.StatusLive());
  EXPECT_FALSE(Rig.Control.ReloadPending());
  EXPECT_TRUE(controls.PlayDown && controls.PlayEnabled && controls.StopEnabled && controls.PropertiesEnabled);
  EXPECT_EQ(controls.Title, "Commando");
  EXPECT_EQ(controls.TrackBarMaximum, 11);
  EXPECT_TRUE(controls.TrackBarEnabled);
  EXPECT_FALSE(controls.PreviousEnabled);
  EXPECT_EQ(controls.NextHint, "Select next tune of song or fast forward");
  EXPECT_EQ(Rig.Preferences.LastDirectory(), Rig.View.Directory);

  const uint32_t resets = Rig.Chip().Resets;
  Rig.Control.Stop();
  EXPECT_FALSE(Rig.Control.Playing());
  EXPECT_TRUE(Rig.Control.StartPending());
  EXPECT_FALSE(Rig.Control.StatusLive());
  EXPECT_FALSE(controls.StopEnabled || controls.PlayDown);
  EXPECT_TRUE(controls.PlayEnabled);
  EXPECT_EQ(Rig.Chip().Resets, resets + 1);
  EXPECT_EQ(Rig.View.Panel(TStatusPanel::Song), " Stopped...");
  EXPECT_EQ(Rig.View.Panel(TStatusPanel::Cpu), " 6510 CPU 000%");
  EXPECT_EQ(NonZeroOver(0, 24, 100ms), 0u);

  // Play after Stop restarts the tune from memory.
  Rig.Control.PlayPause();
  EXPECT_TRUE(Rig.WaitForWrites(Rig.Chip().Writes));
}

struct TPauseCase {
  const char* Name;
  bool MuteAll;
  bool VoicesReturn;
};

TEST_F(PlaybackControlTest, PauseHoldsTheTuneAndResumeUnmutesOnlyWhatTheBoxesAllow) {
  for (const TPauseCase& check : {TPauseCase{"voices on", false, true}, TPauseCase{"Mute All", true, false}}) {
    SCOPED_TRACE(check.Name);
    ASSERT_TRUE(Rig.PlayUntilMusic(CommandoTune));
    Rig.Control.MuteAllClicked(check.MuteAll);
    Rig.Control.PlayPause();
    EXPECT_TRUE(Rig.Control.PlaybackPaused());
    EXPECT_TRUE(Rig.Machine->Writer->Paused);
    EXPECT_FALSE(Rig.Control.StatusLive());
    EXPECT_TRUE(Rig.Control.Controls().StopEnabled);
    EXPECT_EQ(Rig.View.Panel(TStatusPanel::Song), " Paused...");
    const uint64_t held = Rig.Timer.Player->EmulatedMs();
    std::this_thread::sleep_for(100ms);
    EXPECT_LE(Rig.Timer.Player->EmulatedMs(), held + 1);

    Rig.Control.PlayPause();
    EXPECT_FALSE(Rig.Control.PlaybackPaused());
    EXPECT_TRUE(Rig.Control.StatusLive());
    ASSERT_TRUE(WaitUntil([&] { return Rig.Timer.Player->EmulatedMs() > held + 200; }, 10s));
    EXPECT_EQ(NonZeroOver(0, 22, 300ms) > 0, check.VoicesReturn);
    Rig.Control.MuteAllClicked(false);
  }
}

TEST_F(PlaybackControlTest, VoiceBoxesSoloAndFilterReachTheStream) {
  ASSERT_TRUE(Rig.PlayUntilMusic(CommandoTune));
  Rig.Control.VoiceClicked(1, false);
  EXPECT_EQ(NonZeroOver(0, 4, 300ms), 0u);
  Rig.Control.VoiceClicked(1, true);
  EXPECT_GT(NonZeroOver(0, 4, 500ms), 0u);

  Rig.Control.Solo(2);
  EXPECT_EQ(Rig.Control.Controls().VoiceChecked, (std::array<bool, 4>{false, true, false, false}));
  EXPECT_EQ(NonZeroOver(0, 4, 300ms) + NonZeroOver(14, 18, 300ms), 0u);
  EXPECT_GT(NonZeroOver(7, 11, 500ms), 0u);

  Rig.Control.FilterClicked(false);
  EXPECT_FALSE(Rig.Machine->Writer->FilterEnabled);
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(Rig.Chip().Registers[23] & 0x0F, 0);
  Rig.Control.FilterClicked(true);
  EXPECT_TRUE(Rig.Machine->Writer->FilterEnabled);
}

TEST_F(PlaybackControlTest, NextAndPreviousStayWithinTheSongsAndRestartThePlayer) {
  ASSERT_TRUE(Rig.PlayUntilMusic(CorpusTune("MUSICIANS/G/Galway_Martin/Wizball.sid")));
  EXPECT_EQ(Rig.Control.CurrentSong(), 4);
  const auto next = [](TPlaybackControl& control) {
    control.NextButtonDown();
    control.NextButtonUp();
  };
  for (const int32_t song : {5, 6, 7, 8, 9, 9}) {
    const uint32_t ended = Rig.Chip().Silences;
    next(Rig.Control);
    const bool moves = Rig.View.TimerRunning(TWindowTimer::SongChange);
    EXPECT_EQ(moves, song != Rig.Control.CurrentSong()) << song;
    EXPECT_FALSE(Rig.View.TimerRunning(TWindowTimer::NextHold));
    if (!moves) continue;
    Rig.Control.TimerFired(TWindowTimer::SongChange);
    EXPECT_EQ(Rig.Control.CurrentSong(), song);
    EXPECT_EQ(Rig.Chip().Silences, ended + 1) << "the old player has ended";
    EXPECT_TRUE(Rig.Control.Controls().TrackBarEnabled);
    // Positions given while a start is under way belong to that start.
    ASSERT_TRUE(Rig.WaitForWrites(0));
  }
  Rig.Control.SelectSong(2);
  Rig.Control.TimerFired(TWindowTimer::SongChange);
  ASSERT_TRUE(Rig.WaitForWrites(0));
  Rig.Control.PreviousSong();
  Rig.Control.TimerFired(TWindowTimer::SongChange);
  EXPECT_EQ(Rig.Control.CurrentSong(), 1);
  EXPECT_FALSE(Rig.Control.Controls().PreviousEnabled);
  Rig.Control.PreviousSong();
  EXPECT_FALSE(Rig.View.TimerRunning(TWindowTimer::SongChange));
  EXPECT_TRUE(Rig.WaitForWrites(0));
  Rig.Control.UpdateStatusBar();
  EXPECT_EQ(Rig.View.Panel(TStatusPanel::Song).substr(0, 24), " Playing tune 001 of 009");
}

TEST_F(PlaybackControlTest, ASingleSongTuneFastForwardsOnTheNextButtonInsteadOfChangingSongs) {
  ASSERT_TRUE(Rig.PlayUntilMusic(CorpusTune("MUSICIANS/H/Hubbard_Rob/Lightforce.sid")));
  EXPECT_FALSE(Rig.Control.Controls().TrackBarEnabled);
  EXPECT_EQ(Rig.Control.Controls().NextHint, "Fast forward");
  Rig.Timer.MaxForwardSpeed = 5;
  Rig.Control.NextButtonDown();
  Rig.Control.TimerFired(TWindowTimer::NextHold);
  EXPECT_TRUE(Rig.Timer.FastForward);
  EXPECT_EQ(Rig.Timer.PlaySpeed, 2);
  for (int update = 0; update < TPlaybackControl::StatusUpdatesPerSpeedShow; ++update) {
    std::this_thread::sleep_for(20ms);
    Rig.Control.UpdateStatusBar();
  }
  const std::string speed = Rig.View.Panel(TStatusPanel::Speed);
  ASSERT_EQ(speed.substr(0, 8), "Speed - ");
  EXPECT_GE(std::stoi(speed.substr(8)), 1);
  EXPECT_LE(std::stoi(speed.substr(8)), 5);

  Rig.Control.NextButtonUp();
  EXPECT_FALSE(Rig.Timer.FastForward);
  EXPECT_EQ(Rig.Timer.PlaySpeed, 1);
  EXPECT_EQ(Rig.Control.CurrentSong(), 1);
  EXPECT_EQ(Rig.View.Panel(TStatusPanel::Speed), "Speed - 001");
}

// The machine drives one chip; the status bar says when a tune was written for more.
TEST_F(PlaybackControlTest, ATuneForMoreSidChipsSaysOnlyTheFirstPlays) {
  const std::filesystem::path threeChips = CorpusTune("MUSICIANS/C/Chiummo_Gaetano/Hope_3SID.sid");
  for (const auto& [file, note] : {std::pair{threeChips, std::string("   Tune for 3 SID chips: only the first plays")},
                                   std::pair{CommandoTune, std::string()}}) {
    ASSERT_TRUE(Rig.PlayUntilMusic(file));
    for (int update = 0; update < TPlaybackControl::StatusUpdatesPerSpeedShow; ++update) Rig.Control.UpdateStatusBar();
    const std::string cpu = Rig.View.Panel(TStatusPanel::Cpu);
    EXPECT_EQ(cpu.substr(0, 10), " 6510 CPU ");
    EXPECT_EQ(cpu.substr(14), note);
  }
}

TEST(PlaybackControlFailures, WithoutADeviceNothingStartsAndTheHardwareMessageShows) {
  TControlRig rig(0);
  rig.Control.PlayFile(CommandoTune.string());
  EXPECT_FALSE(rig.Control.Playing());
  EXPECT_TRUE(rig.Control.StartPending());
  EXPECT_FALSE(rig.Control.Controls().StopEnabled);
  const auto messages = rig.View.TakeMessages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].first, TMessageStyle::Plain);
  EXPECT_EQ(messages[0].second, "Hardware not available to play SID tune or device driver not installed.");
}

TEST_F(PlaybackControlTest, AFileThatDoesNotLoadShowsTheLoadersMessageAndStartsNothingOld) {
  const std::filesystem::path junk = Rig.Scratch.Path / "notes.txt";
  std::ofstream(junk) << "not a tune";
  ASSERT_TRUE(Rig.PlayUntilMusic(CommandoTune));
  // The status bar, refreshed while the message is open, must not count a tune that is not there.
  std::string shownWithMessage;
  Rig.View.WhileMessageOpen = [&] {
    Rig.Control.UpdateStatusBar();
    shownWithMessage = Rig.View.Panel(TStatusPanel::Song);
  };
  struct TCase {
    std::filesystem::path File;
    size_t Messages;
  };
  for (const TCase& check : {TCase{junk, 1}, TCase{Rig.Scratch.Path / "absent.sid", 0}}) {
    SCOPED_TRACE(check.File);
    Rig.Control.PlayFile(check.File.string());
    const auto messages = Rig.View.TakeMessages();
    ASSERT_EQ(messages.size(), check.Messages);
    if (check.Messages) {
      EXPECT_EQ(messages[0], std::make_pair(TMessageStyle::Information, std::string("Unknown file format")));
      EXPECT_EQ(shownWithMessage, " Stopped...");
    }
    EXPECT_FALSE(Rig.Control.Playing());
    EXPECT_FALSE(Rig.Control.Controls().StopEnabled);
    EXPECT_FALSE(Rig.Control.Controls().PropertiesEnabled);
    EXPECT_EQ(Rig.Control.CurrentFile(), check.File.string());
    // A clock change marks the tune for a restart from memory; none is there to restart.
    Rig.Control.ChooseNtsc();
    Rig.Control.PlayPause();
    EXPECT_FALSE(Rig.Control.Playing());
    EXPECT_EQ(Rig.View.TakeMessages().size(), check.Messages);
  }
  Rig.Control.PlayFile(CommandoTune.string());
  EXPECT_TRUE(Rig.WaitForWrites(0));
}

TEST_F(PlaybackControlTest, ABasicTuneWithoutABasicRomSaysWhatItNeedsOnce) {
  const std::filesystem::path basicTune = CorpusTune("GAMES/S-Z/Telengard_BASIC.sid");
  Rig.Control.PlayFile(basicTune.string());
  ASSERT_TRUE(Rig.Control.Playing());
  ASSERT_TRUE(WaitUntil([&] { return Rig.Control.Fields().NeedsBasicRom.load(); }, 20s));
  Rig.Control.UpdateStatusBar();
  Rig.Control.UpdateStatusBar();
  const auto messages = Rig.View.TakeMessages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].first, TMessageStyle::Information);
  EXPECT_EQ(messages[0].second.rfind("This tune needs a BASIC ROM", 0), 0u);
  EXPECT_NE(messages[0].second.find((Rig.Scratch.Path / "roms").string()), std::string::npos);

  Rig.Control.PlayFile(CommandoTune.string());
  ASSERT_TRUE(Rig.WaitForWrites(0));
  Rig.Control.UpdateStatusBar();
  EXPECT_TRUE(Rig.View.TakeMessages().empty());
}

}  // namespace
