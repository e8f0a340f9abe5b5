// Real tunes from load to SID writes: the loader places each tune of the test corpus in the
// emulated C64, the driver starts its song the way the player thread does, and a recording
// device behind the SID write stream shows whether the music keeps coming at its rate.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "TestFiles.h"
#include "c64/T6510.h"
#include "output/RecordingDevice.h"
#include "tune/TuneRig.h"

namespace {

namespace fs = std::filesystem;

const fs::path TuneFolder = fs::path(VEXLOR_TESTDATA) / "tunes";

constexpr double PalClock = 985248.44;
constexpr double NtscClock = 1022727.21;

// The twelve opcodes that halt the 6510 ($x2 but for the immediate-mode $82, $A2, $C2, $E2).
bool IsJam(uint8_t opcode) {
  return (opcode & 0x0F) == 0x02 && opcode != 0x82 && opcode != 0xA2 && opcode != 0xC2 && opcode != 0xE2;
}

struct TRunFacts {
  std::vector<TTimedWrite> Writes;
  double Clock = PalClock;
  double ExpectedRate = 0;  // from the interrupt source the tune set up
  bool Jammed = false;
  int32_t DeepestStack = 0;
};

TRunFacts PlayFor(TTuneRig& rig, int milliseconds) {
  TRunFacts facts;
  T6510& machine = *rig.Machine;
  uint16_t period = 0;
  for (int ms = 0; ms < milliseconds; ++ms) {
    machine.Step();
    rig.TakeWrites(facts.Writes, ms);
    facts.DeepestStack = std::max(facts.DeepestStack, std::abs(machine.StackDepth));
    if (machine.PC < 0xFFFE && IsJam(machine.MapRead(machine.PC))) facts.Jammed = true;
    // RSID tunes set up their interrupt source after init, in the ordinary steps; a packed
    // program only once it has unpacked itself, which may take seconds.
    if (!facts.Writes.empty() && ms == facts.Writes.front().Ms + 1000) period = machine.FramePeriod();
  }
  facts.Clock = machine.IsPal ? PalClock : NtscClock;
  facts.ExpectedRate = period ? facts.Clock / period : 0;
  return facts;
}

// Writes closer together than a third of the interrupt period belong to one call of the play
// routine; the calls per second come from the first five seconds of timed writes.
double CallsPerSecond(const TRunFacts& facts) {
  const std::vector<TTimedWrite>& writes = facts.Writes;
  if (writes.empty() || facts.ExpectedRate <= 0) return 0;
  const double gap = facts.Clock / facts.ExpectedRate / 3;
  const int64_t start = writes.front().Cycle;
  const int64_t window = static_cast<int64_t>(5 * facts.Clock);
  int calls = 1;
  int64_t last = start;
  int64_t lastCallStart = start;
  for (const TTimedWrite& write : writes) {
    if (write.Cycle - start > window) break;
    if (static_cast<double>(write.Cycle - last) > gap) {
      ++calls;
      lastCallStart = write.Cycle;
    }
    last = write.Cycle;
  }
  return calls < 2 ? 0 : (calls - 1) * facts.Clock / static_cast<double>(lastCallStart - start);
}

// Fraction of the whole seconds of C64 time, from the first timed write up to `seconds`, in
// which the tune wrote to the SID.
double SecondsWithWrites(const TRunFacts& facts, int seconds) {
  if (facts.Writes.empty()) return 0;
  const int first = facts.Writes.front().Ms / 1000;
  if (seconds <= first) return 1;
  std::vector<bool> wrote(static_cast<size_t>(seconds - first), false);
  for (const TTimedWrite& write : facts.Writes) {
    const auto second = static_cast<size_t>(write.Ms / 1000 - first);
    if (second < wrote.size()) wrote[second] = true;
  }
  return static_cast<double>(std::count(wrote.begin(), wrote.end(), true)) / static_cast<double>(wrote.size());
}

int VolumeWritesPerSecond(const TRunFacts& facts, int seconds) {
  const auto volume = std::count_if(facts.Writes.begin(), facts.Writes.end(),
                                    [](const TTimedWrite& write) { return write.Reg == 24; });
  return static_cast<int>(volume / seconds);
}

// Tunes whose write stream does not show one group of writes per interrupt, and why.
enum class TStream { OneGroupPerCall, Samples, NoteEvents, TwoRasterCalls, LongCalls };

TStream StreamOf(const std::string& file) {
  static const std::vector<std::pair<std::string, TStream>> exceptions = {
      // Sample playback through the volume register fills the gaps between play calls.
      {"Hubbard_Rob/Skate_or_Die_intro.sid", TStream::Samples},
      {"Galway_Martin/Arkanoid.sid", TStream::Samples},
      {"Galway_Martin/Arkanoid_PSID.sid", TStream::Samples},
      {"Data/Banditti_2SID.sid", TStream::Samples},
      {"A-F/Digital_II.sid", TStream::Samples},
      {"A-F/Catalypse_PSID.sid", TStream::Samples},
      // Game sound drivers that only write when a note changes.
      {"G-L/Karateka.sid", TStream::NoteEvents},
      {"S-Z/Tooth_Invaders.sid", TStream::NoteEvents},
      {"G-L/Lollipops.sid", TStream::NoteEvents},
      {"G-L/Jupiter_Lander.sid", TStream::NoteEvents},
      {"Mindcooler/Borderline_Jitterbug.sid", TStream::NoteEvents},
      // Its own handler moves the raster compare line to be called twice per frame.
      {"Galway_Martin/MicroProse_Soccer_V1.sid", TStream::TwoRasterCalls},
      // A routine longer than a third of its 3020-cycle period merges with the next call.
      {"Galway_Martin/Wizball.sid", TStream::LongCalls},
  };
  for (const auto& [suffix, stream] : exceptions) {
    if (file.ends_with(suffix)) return stream;
  }
  return TStream::OneGroupPerCall;
}

struct TCorpusTune {
  std::string File;
  int SongSeconds = 0;  // HVSC song length of the start song; 0 for program files
};

int SongSeconds(const std::string& lengths, int song) {
  std::istringstream in(lengths);
  std::string length;
  for (int index = 1; in >> length; ++index) {
    if (index != song) continue;
    const size_t colon = length.find(':');
    return std::stoi(length.substr(0, colon)) * 60 + std::stoi(length.substr(colon + 1));
  }
  return 0;
}

std::vector<TCorpusTune> CorpusTunes() {
  std::vector<TCorpusTune> tunes;
  for (const auto& row : TuneIndex())
    tunes.push_back({row.at("file"), SongSeconds(row.at("songlengths_txt"), std::stoi(row.at("startSong")))});
  for (const char* folder : {"prg", "constructed_p00"}) {
    if (!fs::is_directory(TuneFolder / folder)) continue;
    for (const auto& entry : fs::directory_iterator(TuneFolder / folder)) {
      tunes.push_back({fs::relative(entry.path(), TuneFolder).string(), 0});
    }
  }
  return tunes;
}

// A minute of C64 time per tune; the instrumented sanitizer build runs some fifty times slower
// and checks memory safety, for which ten seconds of each tune do.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VEXLOR_INSTRUMENTED 1
#endif
#elif defined(__SANITIZE_ADDRESS__)
#define VEXLOR_INSTRUMENTED 1
#endif
#ifdef VEXLOR_INSTRUMENTED
constexpr int RunSeconds = 10;
#else
constexpr int RunSeconds = 60;
#endif

void CheckTune(const TCorpusTune& corpusTune) {
  SCOPED_TRACE(corpusTune.File);
  TTuneRig rig;
  const TLoadResult result = rig.Loader.LoadTuneFile((TuneFolder / corpusTune.File).string(), 0);
  const TTuneRecord& tune = rig.Loader.Tune;
  if (corpusTune.SongSeconds == 0 && result == TLoadResult::NotAProgram) return;  // a bare routine at $1000
  ASSERT_EQ(result, TLoadResult::Loaded);
  rig.Start();
  if (tune.magicId == "PSID" && tune.playAddress != 0 && tune.playAddress != tune.initAddress) {
    EXPECT_EQ(rig.Machine->PlayAddress, tune.playAddress) << "init did not return";
  }
  const TRunFacts facts = PlayFor(rig, RunSeconds * 1000);
  EXPECT_FALSE(facts.Jammed);
  EXPECT_LT(facts.DeepestStack, 32);
  if (rig.Machine->NeedsBasicRom()) {
    // Only a BASIC program beyond what the built-in BASIC runs waits for a real BASIC ROM.
    EXPECT_TRUE(tune.basicTune || (tune.programFile && tune.initAddress == 0));
    EXPECT_TRUE(facts.Writes.empty());
    return;
  }
  const TStream stream = StreamOf(corpusTune.File);
  // Music keeps the chip busy while the song lasts; a game's note-event driver may pause longer.
  const int audible = std::min(corpusTune.SongSeconds, RunSeconds);
  EXPECT_GE(SecondsWithWrites(facts, audible), stream == TStream::NoteEvents ? 0.3 : 0.85);
  const double rate = CallsPerSecond(facts);
  switch (stream) {
    case TStream::OneGroupPerCall:
      EXPECT_NEAR(rate, facts.ExpectedRate, facts.ExpectedRate * 0.02);
      break;
    case TStream::Samples:
      EXPECT_GT(VolumeWritesPerSecond(facts, RunSeconds), 4 * facts.ExpectedRate);
      break;
    case TStream::NoteEvents:
    case TStream::LongCalls:
      EXPECT_GT(rate, 0.0);
      EXPECT_LT(rate, facts.ExpectedRate);
      break;
    case TStream::TwoRasterCalls:
      EXPECT_NEAR(rate, 2 * facts.ExpectedRate, facts.ExpectedRate * 0.04);
      break;
  }
}

TEST(EndToEnd, EveryCorpusTunePlaysAtItsInterruptRate) {
  SKIP_WITHOUT(TuneFolder / "INDEX.tsv");
  // The recording host stands in for the chips' settling time after a reset: no waiting.
  TRecordingHost host;
  const std::vector<TCorpusTune> tunes = CorpusTunes();
  EXPECT_GE(tunes.size(), 42u);
  for (const TCorpusTune& tune : tunes) CheckTune(tune);
}

// Last value the tune's code stored at each register of the first SID chip ($D400-$D418).
class TFirstChipWrites : public TBusWriteObserver {
 public:
  TFirstChipWrites() { Last.fill(-1); }
  void BusWrite(uint16_t address, uint8_t value) override {
    if (address >= 0xD400 && address <= 0xD418) Last[address - 0xD400] = value;
  }
  std::array<int, 25> Last;
};

// The machine drives one chip: the writes of a 2SID or 3SID tune to its other chips reach no
// chip at all, so the first one's registers stay as the tune set them, whether the other chip
// sits on a mirror of the first ($D500), next to it ($D420, $D440) or in the I/O areas ($DE00).
TEST(EndToEnd, MultiSidTunesLeaveTheFirstChipAsItsOwnWritesSetIt) {
  TRecordingHost host;
  for (const char* file : {"MUSICIANS/G/GI-Joe/Ibiza_Sun_2SID.sid", "MUSICIANS/C/Chiummo_Gaetano/Hope_3SID.sid",
                           "MUSICIANS/N/Noplanet/Ring-a-sync_2SID.sid", "MUSICIANS/D/Data/Banditti_2SID.sid"}) {
    SCOPED_TRACE(file);
    const std::string path = CorpusTune(file).string();
    SKIP_WITHOUT(path);
    TTuneRig rig;
    ASSERT_EQ(rig.Loader.LoadTuneFile(path, 0), TLoadResult::Loaded);
    ASSERT_GT(rig.Loader.Tune.SidChips(), 1);
    TFirstChipWrites written;
    rig.Machine->WriteObserver = &written;
    rig.Start();
    for (int ms = 0; ms < 3000; ++ms) rig.Machine->Step();
    std::array<int, 25> chip;
    chip.fill(-1);
    for (const TDeviceCall& call : rig.Recorder->Log)
      if (call.Op == "Write" && call.Reg < 25) chip[size_t(call.Reg)] = call.Value;
    EXPECT_GE(std::count_if(written.Last.begin(), written.Last.end(), [](int v) { return v >= 0; }), 5);
    for (size_t reg = 0; reg < chip.size(); ++reg) {
      if (written.Last[reg] >= 0) {
        EXPECT_EQ(chip[reg], written.Last[reg]) << "register " << reg;
      }
    }
  }
}

}  // namespace
