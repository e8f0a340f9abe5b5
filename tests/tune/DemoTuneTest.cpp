// The project's own demo tune, assembled from demo/ by the build: the loader
// reads its PSID header, and the emulated C64 plays it while a recording chip
// keeps the SID registers as they stand at the end of every video frame. The
// piece is 32 bars of 16 steps of 6 frames, 61.44 s.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "tune/TuneRig.h"

namespace {

constexpr double PalClock = 985248.44;
constexpr int FramesPerBar = 16 * 6;
constexpr int SongBars = 32;
constexpr int SongFrames = SongBars * FramesPerBar;
// Until the lead's first note, its registers still hold the previous pass's
// last note.
constexpr int LeadSilentBars = 4;

constexpr int Control = 4, AttackDecay = 5, SustainRelease = 6;
constexpr int CutoffHigh = 0x16, ResonanceRouting = 0x17, ModeVolume = 0x18;
constexpr uint8_t Gate = 0x01, Noise = 0x80;

using TRegisters = std::array<uint8_t, 25>;

struct TPlayedFrames {
  std::vector<TRegisters> Frames;
  float HighestCpuLoad = 0;  // percent of a frame the play routine took, at its longest
};

// Loads the demo tune, starts it as the player does and runs it frame by frame.
TPlayedFrames PlayDemo(int frames) {
  TRecordingHost host;
  TTuneRig rig;
  TPlayedFrames played;
  if (rig.Loader.LoadTuneFile(VEXLOR_DEMO_TUNE, 0) != TLoadResult::Loaded) return played;
  rig.Start();
  rig.Recorder->Log.clear();
  TRegisters registers{};
  double overshoot = 0;
  for (int frame = 0; frame < frames; ++frame) {
    overshoot = rig.Machine->RunCycles(T6510::PalFrameCycles - overshoot);
    for (const TDeviceCall& call : rig.Recorder->Log) {
      if (call.Op == "Write" && call.Reg >= 0 && call.Reg < int(registers.size()))
        registers[call.Reg] = uint8_t(call.Value);
    }
    rig.Recorder->Log.clear();
    played.Frames.push_back(registers);
    played.HighestCpuLoad = std::max(played.HighestCpuLoad, rig.Machine->CpuLoad.load());
  }
  return played;
}

// Two passes of the song, played once for every test here.
const TPlayedFrames& TwoPasses() {
  static const TPlayedFrames played = PlayDemo(2 * SongFrames);
  return played;
}

bool Gated(const TRegisters& registers, int voice) { return (registers[voice * 7 + Control] & Gate) != 0; }

double FrequencyHz(const TRegisters& registers, int voice) {
  return (registers[voice * 7] | registers[voice * 7 + 1] << 8) * PalClock / double(1 << 24);
}

// Distance in cents to the nearest note of equal temperament on A = 440 Hz.
double CentsOffNote(double hz) {
  const double semitones = 12 * std::log2(hz / 440);
  return 100 * (semitones - std::round(semitones));
}

}  // namespace

TEST(DemoTune, LoadsAsOnePalVerticalBlankSongForBothChipModels) {
  TTuneRig rig;
  ASSERT_EQ(rig.Loader.LoadTuneFile(VEXLOR_DEMO_TUNE, 0), TLoadResult::Loaded);
  const TTuneRecord& tune = rig.Loader.Tune;
  EXPECT_EQ(tune.magicId, "PSID");
  EXPECT_EQ(tune.dataOffset, 0x7C);
  EXPECT_EQ(tune.name, "Vexlor Demo: First Light");
  EXPECT_EQ(tune.author, "Vexlor Player developers");
  EXPECT_EQ(tune.released, "2026 Vexlor Player");
  EXPECT_EQ(tune.songs, 1);
  EXPECT_EQ(tune.startSong, 1);
  EXPECT_EQ(tune.speed, 0u);
  EXPECT_TRUE(tune.filePal && !tune.fileNtsc);
  EXPECT_TRUE(tune.sid6581 && tune.sid8580);
  EXPECT_FALSE(tune.playSidSpecific);
  EXPECT_EQ(tune.loadAddress, 0x1000);
  for (const int32_t entry : {tune.initAddress, tune.playAddress}) {
    EXPECT_GE(entry, tune.loadAddress);
    EXPECT_LT(entry, tune.loadAddress + tune.dataLength);
  }
}

TEST(DemoTune, EveryVoicePlaysNotesInTuneEachAfterAHardRestart) {
  const std::vector<TRegisters>& frames = TwoPasses().Frames;
  ASSERT_EQ(frames.size(), size_t(2 * SongFrames));
  for (int voice = 0; voice < 3; ++voice) {
    SCOPED_TRACE("voice " + std::to_string(voice + 1));
    int notes = 0;
    for (size_t frame = 3; frame < frames.size(); ++frame) {
      const TRegisters& now = frames[frame];
      if (!Gated(now, voice) || Gated(frames[frame - 1], voice)) continue;
      ++notes;
      if (!(now[voice * 7 + Control] & Noise)) {
        const double hz = FrequencyHz(now, voice);
        EXPECT_LT(std::abs(CentsOffNote(hz)), 1.0) << hz << " Hz at frame " << frame;
      }
      // A note that follows a note: the two frames before it close the gate at
      // the fastest rates.
      if (!Gated(frames[frame - 3], voice)) continue;
      for (const size_t before : {frame - 2, frame - 1}) {
        EXPECT_FALSE(Gated(frames[before], voice)) << "frame " << before;
        EXPECT_EQ(frames[before][voice * 7 + AttackDecay], 0) << "frame " << before;
        EXPECT_EQ(frames[before][voice * 7 + SustainRelease], 0) << "frame " << before;
      }
    }
    EXPECT_GT(notes, 2 * 100);
  }
}

TEST(DemoTune, FilterSweepsOnARoutedVoiceAtFullVolume) {
  const std::vector<TRegisters>& frames = TwoPasses().Frames;
  ASSERT_FALSE(frames.empty());
  uint8_t lowestCutoff = 0xFF, highestCutoff = 0;
  for (const TRegisters& registers : frames) {
    EXPECT_EQ(registers[ModeVolume] & 0x0F, 15);
    EXPECT_NE(registers[ModeVolume] & 0x70, 0) << "no filter mode";
    EXPECT_NE(registers[ResonanceRouting] & 0x07, 0) << "no voice routed to the filter";
    lowestCutoff = std::min(lowestCutoff, registers[CutoffHigh]);
    highestCutoff = std::max(highestCutoff, registers[CutoffHigh]);
  }
  EXPECT_GT(highestCutoff - lowestCutoff, 0x40);
}

TEST(DemoTune, PlayRoutineTakesUnderAQuarterOfAFrame) { EXPECT_LT(TwoPasses().HighestCpuLoad, 25.0f); }

TEST(DemoTune, RepeatsAfterThirtyTwoBarsAndNoSooner) {
  const std::vector<TRegisters>& frames = TwoPasses().Frames;
  ASSERT_EQ(frames.size(), size_t(2 * SongFrames));
  const auto repeatsAfter = [&frames](int period) {
    for (int frame = LeadSilentBars * FramesPerBar; frame + period < int(frames.size()); ++frame) {
      if (frames[frame] != frames[frame + period]) return false;
    }
    return true;
  };
  EXPECT_TRUE(repeatsAfter(SongFrames));
  for (int bars = 1; bars < SongBars; ++bars) EXPECT_FALSE(repeatsAfter(bars * FramesPerBar)) << bars << " bars";
}
