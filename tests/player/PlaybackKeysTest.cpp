// The keyboard table, the media keys and the tray's transport items on a real tune with real
// player threads: keys are told to TPlaybackKeys as the window's key handling tells them.
#include <gtest/gtest.h>

#include "player/PlaybackControlRig.h"
#include "player/PlaybackKeys.h"

namespace {

TKeyStroke Digit(char digit, bool ctrl = false) { return {TKey::Digit, digit, ctrl, false}; }
TKeyStroke Letter(char letter, bool ctrl = true, bool shift = false) { return {TKey::Letter, letter, ctrl, shift}; }
TKeyStroke Plain(TKey key, bool ctrl = false) { return {key, 0, ctrl, false}; }

class PlaybackKeysTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(CommandoTune)) GTEST_SKIP() << "test tunes missing: " << CommandoTune;
  }
  // A key pressed and released.
  void Stroke(const TKeyStroke& key) {
    Keys.KeyDown(key, Focus);
    Keys.KeyUp(key);
  }

  TControlRig Rig{3};
  TPlaybackKeys Keys{Rig.Control};
  TKeyFocus Focus{false, 3};
};

TEST_F(PlaybackKeysTest, DigitsPickSongsUpToTheTunesCountAndZeroIsTen) {
  ASSERT_TRUE(Rig.PlayUntilMusic(CommandoTune));
  ASSERT_EQ(Rig.Control.Controls().TrackBarMaximum, 11);
  const struct {
    char Digit;
    int32_t Song;
  } cases[] = {{'3', 3}, {'0', 10}, {'9', 9}, {'1', 1}};
  for (const auto& check : cases) {
    Stroke(Digit(check.Digit));
    EXPECT_EQ(Rig.Control.Controls().TrackBarPosition, check.Song) << check.Digit;
  }
  Rig.Control.TimerFired(TWindowTimer::SongChange);
  EXPECT_EQ(Rig.Control.CurrentSong(), 1);

  // A one-song tune has no song 2.
  Rig.Control.PlayFile(CorpusTune("MUSICIANS/S/Spider_Jerusalem/Dirty_Cheater.sid").string());
  Stroke(Digit('2'));
  EXPECT_EQ(Rig.Control.Controls().TrackBarPosition, 1);
}

TEST_F(PlaybackKeysTest, AHeldKeyActsOnceUntilItIsReleased) {
  ASSERT_TRUE(Rig.PlayUntilMusic(CommandoTune));
  const TPlaybackControls& controls = Rig.Control.Controls();
  EXPECT_TRUE(Keys.KeyDown(Plain(TKey::Ctrl, true), Focus) == false && !Keys.KeyHeld()) << "Ctrl alone holds nothing";
  EXPECT_TRUE(Keys.KeyDown(Letter('M'), Focus));
  EXPECT_TRUE(controls.MuteAllChecked);
  // Another key while M is still down, and M's own repeat, are ignored.
  EXPECT_TRUE(Keys.KeyDown(Letter('F'), Focus));
  EXPECT_TRUE(Keys.KeyDown(Letter('M'), Focus));
  EXPECT_TRUE(controls.MuteAllChecked);
  EXPECT_TRUE(controls.FilterChecked);
  Keys.KeyUp(Letter('M'));
  Stroke(Letter('M'));
  EXPECT_FALSE(controls.MuteAllChecked);
  Stroke(Letter('F'));
  EXPECT_FALSE(controls.FilterChecked);
  for (const char voice : {'1', '2', '3'}) {
    Stroke(Digit(voice, true));
    EXPECT_FALSE(controls.VoiceChecked[voice - '1']) << voice;
  }
  EXPECT_TRUE(controls.VoiceChecked[3]) << "Ctrl+4 is no key of the table";
  EXPECT_FALSE(TPlaybackKeys::WindowKey(Digit('4', true), Focus));
}

TEST_F(PlaybackKeysTest, CtrlDCyclesThroughTheDevicesBothWays) {
  Rig.Control.DeviceChanged(2);
  Stroke(Letter('D'));
  EXPECT_EQ(Rig.Control.Controls().Device, 0);
  Stroke(Letter('D', true, true));
  EXPECT_EQ(Rig.Control.Controls().Device, 2);
  Stroke(Letter('D', true, true));
  EXPECT_EQ(Rig.Control.Controls().Device, 1);
}

TEST_F(PlaybackKeysTest, SpaceAndEscapeWorkTheTransportUnlessABoxHasTheFocus) {
  ASSERT_TRUE(Rig.PlayUntilMusic(CommandoTune));
  const TKeyFocus onBox{true, 3};
  EXPECT_FALSE(Keys.KeyDown(Plain(TKey::Space), onBox)) << "the box gets its space bar";
  Keys.KeyUp(Plain(TKey::Space));
  EXPECT_FALSE(Rig.Control.PlaybackPaused());
  Stroke(Plain(TKey::Space));
  EXPECT_TRUE(Rig.Control.PlaybackPaused());
  Stroke(Plain(TKey::Space));
  EXPECT_FALSE(Rig.Control.PlaybackPaused());
  Stroke(Plain(TKey::Escape));
  EXPECT_FALSE(Rig.Control.Playing());
  EXPECT_FALSE(Rig.Control.Controls().StopEnabled);
}

TEST_F(PlaybackKeysTest, CtrlRightFastForwardsUntilRightIsReleased) {
  ASSERT_TRUE(Rig.PlayUntilMusic(CommandoTune));
  EXPECT_TRUE(Keys.KeyDown(Plain(TKey::Right, true), Focus));
  EXPECT_TRUE(Rig.Timer.FastForward);
  EXPECT_EQ(Rig.Timer.PlaySpeed, 2);
  EXPECT_FALSE(Keys.KeyHeld()) << "Ctrl+Right leaves other keys free";
  Keys.KeyUp(Plain(TKey::Right, true));
  EXPECT_FALSE(Rig.Timer.FastForward);
  EXPECT_EQ(Rig.Timer.PlaySpeed, 1);

  // The media key's fast forward lasts while it repeats; its timer ends it.
  Keys.Media(TMediaCommand::FastForward);
  Keys.Media(TMediaCommand::FastForward);
  EXPECT_TRUE(Rig.View.TimerRunning(TWindowTimer::KeyFastForward));
  Rig.Control.TimerFired(TWindowTimer::KeyFastForward);
  EXPECT_EQ(Rig.Timer.PlaySpeed, 1);
}

TEST_F(PlaybackKeysTest, PlayAndPauseKeysOnlyEverDoTheirOwnJob) {
  Keys.Media(TMediaCommand::Pause);
  EXPECT_FALSE(Rig.Control.Playing()) << "pause leaves a stopped player alone";
  ASSERT_TRUE(Rig.PlayUntilMusic(CommandoTune));
  Keys.Media(TMediaCommand::Play);
  EXPECT_FALSE(Rig.Control.PlaybackPaused());
  Keys.Media(TMediaCommand::Pause);
  EXPECT_TRUE(Rig.Control.PlaybackPaused());
  Keys.Media(TMediaCommand::Pause);
  EXPECT_TRUE(Rig.Control.PlaybackPaused());
  Keys.Media(TMediaCommand::Play);
  EXPECT_FALSE(Rig.Control.PlaybackPaused());
  Keys.Media(TMediaCommand::Stop);
  EXPECT_FALSE(Rig.Control.Playing());
  Keys.Media(TMediaCommand::Play);
  EXPECT_TRUE(Rig.WaitForWrites(0)) << "play starts a stopped tune";
}

TEST_F(PlaybackKeysTest, MediaSongKeysMoveTheTrackBarAndFreeAHeldKey) {
  ASSERT_TRUE(Rig.PlayUntilMusic(CommandoTune));
  Keys.KeyDown(Digit('5'), Focus);
  EXPECT_TRUE(Keys.KeyHeld());
  Keys.Media(TMediaCommand::Next);
  EXPECT_FALSE(Keys.KeyHeld());
  EXPECT_EQ(Rig.Control.Controls().TrackBarPosition, 6);
  Keys.Media(TMediaCommand::Previous);
  Keys.Media(TMediaCommand::Previous);
  EXPECT_EQ(Rig.Control.Controls().TrackBarPosition, 4);
  Keys.Media(TMediaCommand::Mute);
  EXPECT_TRUE(Rig.Control.Controls().MuteAllChecked);
}

TEST_F(PlaybackKeysTest, TrayMenuFollowsThePlayButtonAndTheSongs) {
  TTrayMenuState menu = Keys.TrayMenu();
  EXPECT_STREQ(menu.PlayCaption, "Play");
  EXPECT_FALSE(menu.StopEnabled || menu.PreviousEnabled);
  ASSERT_TRUE(Rig.PlayUntilMusic(CommandoTune));
  menu = Keys.TrayMenu();
  EXPECT_STREQ(menu.PlayCaption, "Pause");
  EXPECT_TRUE(menu.PlayEnabled && menu.StopEnabled && menu.NextEnabled);
  EXPECT_FALSE(menu.PreviousEnabled) << "song 1 has none before it";

  Keys.Tray(TTrayCommand::Next);
  EXPECT_EQ(Rig.Control.Controls().TrackBarPosition, 2);
  Keys.Tray(TTrayCommand::Previous);
  EXPECT_EQ(Rig.Control.Controls().TrackBarPosition, 1);
  Rig.Control.SelectSong(11);
  Rig.Control.TimerFired(TWindowTimer::SongChange);
  ASSERT_TRUE(Rig.WaitForWrites(0));
  menu = Keys.TrayMenu();
  EXPECT_FALSE(menu.NextEnabled) << "the last song has none after it";
  EXPECT_TRUE(menu.PreviousEnabled);
  Keys.Tray(TTrayCommand::Play);
  EXPECT_TRUE(Rig.Control.PlaybackPaused());
  EXPECT_STREQ(Keys.TrayMenu().PlayCaption, "Play");
  Keys.Tray(TTrayCommand::Stop);
  EXPECT_FALSE(Rig.Control.Playing());
}

}  // namespace
