// Playback control's choices from the settings and the tune: the clock modes, the output device by
// SID model, and the texts of the title and the status bar.
#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "knowledge/SongLength.h"
#include "output/DeviceHost.h"
#include "output/HardSID.h"
#include "player/PlaybackControlRig.h"
#include "player/PreferencesChange.h"
#include "tune/TuneTestSupport.h"
#include "player/ZeroPad.h"

namespace {

using namespace std::chrono_literals;

const std::string PalTune = "MUSICIANS/H/Hubbard_Rob/Commando.sid";                   // PAL, 6581
const std::string NtscTune = "GAMES/G-L/Karateka.sid";                                // NTSC, 6581
const std::string BothClocksTune = "MUSICIANS/M/Mr_SID/Prince_of_Persia.sid";         // PAL+NTSC, 8580
const std::string NoClockTune = "MUSICIANS/B/Brandt_Georg/Werner-Mach_hin.sid";       // neither, no model
const std::string BothModelsTune = "MUSICIANS/S/Spider_Jerusalem/Dirty_Cheater.sid";  // 6581+8580

class PlaybackSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(CorpusTune(PalTune))) GTEST_SKIP() << "test tunes missing";
  }
  TControlRig Rig{3};
};

struct TClockCase {
  std::string Tune;
  int32_t Setting;
  const char* Panel;
  bool MachinePal;
};

TEST_F(PlaybackSettingsTest, EachClockModePicksTheMachineClockAndThePanelPerTune) {
  const std::vector<TClockCase> cases = {
      {PalTune, -1, "PAL", true},        {PalTune, 0, "PAL", true},          {PalTune, 1, "PAL", true},
      {PalTune, 2, "PAL", true},         {PalTune, 3, "PAL", true},          {PalTune, 4, "PAL+", true},
      {PalTune, 5, "NTSC", false},       {NtscTune, 0, "NTSC", false},       {NtscTune, 1, "NTSC+", false},
      {NtscTune, 2, "PAL", true},        {NtscTune, 3, "NTSC", false},       {NtscTune, 4, "NTSC", false},
      {NtscTune, 5, "NTSC", false},      {NoClockTune, 0, "PAL", true},      {NoClockTune, 1, "PAL", true},
      {NoClockTune, 3, "NTSC", false},   {NoClockTune, 4, "PAL+", true},     {NoClockTune, 5, "NTSC", false},
      {BothClocksTune, 0, "PAL", true},  {BothClocksTune, 3, "PAL", true},   {BothClocksTune, 1, "PAL", true},
      {BothClocksTune, 4, "PAL+", true}, {BothClocksTune, 5, "NTSC", false},
  };
  for (const TClockCase& check : cases) {
    SCOPED_TRACE(check.Tune + " in mode " + std::to_string(check.Setting));
    Rig.Preferences.SetFrequencySetting(check.Setting);
    Rig.Control.LoadFile(CorpusTune(check.Tune));
    const TTuneRecord& tune = Rig.Loader.Tune;
    EXPECT_EQ(Rig.View.Panel(TStatusPanel::Clock), check.Panel);
    EXPECT_EQ(tune.clockPal, check.MachinePal);
    EXPECT_EQ(tune.palFrequencyFixed, check.Setting == PalFrequencyFixed);
    EXPECT_EQ(tune.ntscFrequencyFixed, check.Setting == NtscFrequencyFixed);
    EXPECT_TRUE(tune.clockPal || tune.clockNtsc);
    EXPECT_FALSE(Rig.Control.ReloadPending());
    EXPECT_FALSE(Rig.Control.Playing());
  }
}

TEST_F(PlaybackSettingsTest, PalAndNtscRestartARunningTuneWhileFrequencyFixedOnlyHoldsTheDevices) {
  ASSERT_TRUE(Rig.PlayUntilMusic(CorpusTune(PalTune)));
  EXPECT_EQ(Rig.Machine->IsPal, 1);
  const uint32_t ended = Rig.Chip().Silences;
  Rig.Control.ChoosePal();
  EXPECT_EQ(Rig.Chip().Silences, ended) << "already PAL";

  Rig.Control.ChooseNtsc();
  EXPECT_EQ(Rig.Chip().Silences, ended + 1);
  EXPECT_TRUE(Rig.Control.Playing());
  EXPECT_EQ(Rig.Control.FrequencyMode(), NtscAlways);
  EXPECT_EQ(Rig.View.Panel(TStatusPanel::Clock), "NTSC");
  ASSERT_TRUE(Rig.WaitForWrites(0));
  EXPECT_EQ(Rig.Machine->IsPal, 0);
  EXPECT_FALSE(Rig.Control.ReloadPending());

  Rig.Control.TogglePalFrequencyFixed();
  EXPECT_EQ(Rig.Control.FrequencyMode(), PalFrequencyFixed);
  EXPECT_EQ(Rig.View.Panel(TStatusPanel::Clock), "NTSC+");
  EXPECT_TRUE(Rig.Loader.Tune.palFrequencyFixed);
  Rig.Control.TogglePalFrequencyFixed();
  EXPECT_EQ(Rig.Control.FrequencyMode(), NtscAlways);
  EXPECT_FALSE(Rig.Loader.Tune.palFrequencyFixed || Rig.Loader.Tune.ntscFrequencyFixed);
  EXPECT_EQ(Rig.Chip().Silences, ended + 1) << "the Frequency Fixed items restart nothing";

  Rig.Control.Stop();
  Rig.Control.ChoosePal();
  EXPECT_FALSE(Rig.Control.Playing()) << "a stopped tune only takes the clock for its next start";
  EXPECT_EQ(Rig.Control.FrequencyMode(), PalAlways);
}

// The preferences dialog writes the store; the program then reads it afresh and applies it.
TEST_F(PlaybackSettingsTest, AfterThePreferencesTheSavedChangesReachThePlayback) {
  Rig.Devices[1]->Name = "HardSID";
  ASSERT_TRUE(Rig.PlayUntilMusic(CorpusTune(PalTune)));
  const uint32_t started = Rig.Chip().Silences;
  const TPreferences before = Rig.Preferences;
  Rig.Preferences.SetFrequencySetting(NtscAlways);
  Rig.Preferences.SetMaxForwardSpeed(4);
  Rig.Preferences.SetHSClockAdjustment(0);
  TPreferences cancelled;
  ApplyPreferencesChange(Rig.Control, Rig.Timer, before, cancelled, false);
  EXPECT_EQ(Rig.Chip().Silences, started) << "Cancel restarts nothing";
  EXPECT_EQ(Rig.Control.FrequencyMode(), PalDefault);
  EXPECT_EQ(Rig.Timer.MaxForwardSpeed, 4);
  EXPECT_FALSE(HardSidC64Clock);
  EXPECT_EQ(Rig.Machine->Devices->SecondsPerCycle(1), CycleSeconds(TClockMode::OneMhz)) << "HardSID at 1 MHz";
  EXPECT_EQ(Rig.Machine->Devices->SecondsPerCycle(0), CycleSeconds(TClockMode::Pal)) << "no other chip";

  Rig.Preferences.SetHSClockAdjustment(1);
  TPreferences saved;
  ApplyPreferencesChange(Rig.Control, Rig.Timer, before, saved, true);
  EXPECT_TRUE(HardSidC64Clock);
  EXPECT_NE(Rig.Machine->Devices->SecondsPerCycle(1), CycleSeconds(TClockMode::OneMhz));
  EXPECT_EQ(Rig.Chip().Silences, started + 1) << "a new clock setting restarts the tune";
  EXPECT_EQ(Rig.Control.FrequencyMode(), NtscAlways);
  EXPECT_EQ(Rig.View.Panel(TStatusPanel::Clock), "NTSC");
  ASSERT_TRUE(Rig.WaitForWrites(0));
  EXPECT_EQ(Rig.Machine->IsPal, 0);

  // The MK4 stereo setting restarts it too, and a paused tune only stops.
  Rig.Preferences.SetForceDualPlayback(1);
  TPreferences stereo;
  Rig.Control.PlayPause();
  ApplyPreferencesChange(Rig.Control, Rig.Timer, saved, stereo, true);
  EXPECT_TRUE(Mk4StereoPlayback);
  EXPECT_FALSE(Rig.Control.Playing());
  Rig.Control.UsePreferences(Rig.Preferences);
  Mk4StereoPlayback = false;
  HardSidC64Clock = false;
}

struct TDeviceCase {
  std::string Tune;
  int32_t For6581, For8580, ForUnknown;
  int32_t Device;
};

TEST_F(PlaybackSettingsTest, TheOutputDeviceFollowsTheTunesSidModelAndTheSettings) {
  const std::vector<TDeviceCase> cases = {
      {PalTune, 1, 2, -1, 1},        {BothClocksTune, 1, 2, -1, 2}, {NoClockTune, 1, 2, 0, 0},
      {BothModelsTune, 1, 2, 2, 2},  {PalTune, -1, 2, 0, 0},        {PalTune, 7, -1, -1, 0},
      {BothClocksTune, 1, -1, 1, 1}, {NoClockTune, 2, 1, -1, 1},
  };
  for (const TDeviceCase& check : cases) {
    SCOPED_TRACE(check.Tune + " with " + std::to_string(check.For6581) + "/" + std::to_string(check.For8580) + "/" +
                 std::to_string(check.ForUnknown));
    Rig.Preferences.SetDefault6581Device(check.For6581);
    Rig.Preferences.SetDefault8580Device(check.For8580);
    Rig.Preferences.SetDefaultUnknownDevice(check.ForUnknown);
    ASSERT_TRUE(Rig.PlayUntilMusic(CorpusTune(check.Tune)));
    EXPECT_EQ(Rig.Control.Controls().Device, check.Device);
    EXPECT_EQ(Rig.Machine->Writer->CurrentDevice, check.Device);
    EXPECT_GT(Rig.Devices[check.Device]->Writes, 0u);
  }
}

TEST_F(PlaybackSettingsTest, TitleTextsDoubleAmpersandsAndCarryTheSongLength) {
  // A tune of the test's own whose credits carry "&".
  TSidFile tune;
  tune.name = "Tom & Jerry";
  tune.author = "R&B";
  tune.released = "1987 A&&B";
  tune.songs = 3;
  tune.startSong = 2;
  tune.data = {0x00, 0x10, 0x60, 0xEA, 0xEA, 0x60};
  Rig.Control.LoadFile(Rig.Scratch.Write("ampersand.sid", tune.Bytes()));
  const TPlaybackControls& controls = Rig.Control.Controls();
  EXPECT_EQ(controls.Title, "Tom && Jerry");
  EXPECT_EQ(controls.Author, "R&&B");
  EXPECT_EQ(controls.Released, "1987 A&&&&B");
  EXPECT_EQ(Rig.Control.CurrentSong(), 2);
  EXPECT_EQ(controls.TrackBarHint, "Song 2");
  EXPECT_TRUE(controls.PreviousEnabled);

  const std::filesystem::path documents = std::filesystem::path(VEXLOR_TESTDATA) / "hvsc/hvsc69/DOCUMENTS";
  if (!std::filesystem::exists(documents / "Songlengths.txt")) GTEST_SKIP() << "HVSC documents missing";
  LoadSongLengths(documents.string());
  Rig.Control.LoadFile(CorpusTune(PalTune));
  EXPECT_EQ(controls.Title, "Commando (3:56)");
  EXPECT_EQ(Rig.Control.SongLengthText(), "3:56");
  Rig.Control.SelectSong(2);
  Rig.Control.TimerFired(TWindowTimer::SongChange);
  EXPECT_EQ(controls.Title, "Commando (1:02)");
  EXPECT_FALSE(Rig.Control.Playing()) << "a song chosen while stopped waits for Play";
  LoadSongLengths("");
}

TEST_F(PlaybackSettingsTest, StatusBarTextsFollowTheirFormats) {
  EXPECT_EQ(TPlaybackControl::PlayTimeText(1, 2, 3), "01:02:03     ");
  EXPECT_EQ(TPlaybackControl::PlayTimeText(0, 0, 0), "00:00:00     ");
  ASSERT_TRUE(Rig.PlayUntilMusic(CorpusTune(PalTune)));
  Rig.Control.UpdateStatusBar();
  // Commando runs from the vertical blank of a PAL machine: 985248.4444 / 19656 = 50.12 Hz.
  EXPECT_EQ(Rig.View.Panel(TStatusPanel::Song), " Playing tune 001 of 011 / 00050 Hz");
  EXPECT_EQ(Rig.View.Panel(TStatusPanel::Cpu), " 6510 CPU 000%") << "updated every sixth call";
  for (int update = 1; update < TPlaybackControl::StatusUpdatesPerSpeedShow; ++update) Rig.Control.UpdateStatusBar();
  const std::string cpu = Rig.View.Panel(TStatusPanel::Cpu);
  ASSERT_EQ(cpu.size(), 14u);
  EXPECT_EQ(cpu.substr(0, 10), " 6510 CPU ");
  EXPECT_GT(std::stoi(cpu.substr(10, 3)), 0) << "Commando's play routine takes some CPU time";
  EXPECT_EQ(cpu.back(), '%');
  EXPECT_EQ(Rig.View.Panel(TStatusPanel::Speed), "Speed - 001");
  ASSERT_TRUE(WaitUntil([&] { return Rig.Machine->PlaySeconds >= 1; }, 10s));
  Rig.Control.UpdateStatusBar();
  const std::string time = Rig.View.Panel(TStatusPanel::Time);
  EXPECT_EQ(time.substr(0, 7), "00:00:0");
  EXPECT_EQ(time.substr(8), "     ");
}

}  // namespace
