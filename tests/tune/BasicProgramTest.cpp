// BASIC programs of the test corpus from load to SID writes: those the built-in BASIC runs (a SYS
// into the music, a POKE that hooks the interrupt) play; the others wait for a real BASIC ROM.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "tune/TuneRig.h"

namespace {

namespace fs = std::filesystem;

struct TBasicTune {
  const char* File;
  bool Plays;
  uint16_t Line;  // the line the program is left in; $FFxx once it ended at READY.
};

TEST(BasicProgram, CorpusProgramsPlayWhenTheBuiltInBasicRunsThem) {
  const fs::path folder = fs::path(VEXLOR_TESTDATA) / "tunes";
  if (!fs::is_directory(folder / "prg")) GTEST_SKIP() << "tune corpus not found under " << folder;
  const TBasicTune tunes[] = {
      {"prg/Grillende_Zirpe.prg", true, 20},  // 20 SYS2061
      {"constructed_p00/grillende_zirpe.p00", true, 20},
      {"prg/25hz-0inspiration.prg", true, 8580},  // 8580 SYS2059
      {"C64Music/DEMOS/0-9/128_Byte_Blues_BASIC.sid", true, 0xFF05},  // 5 POKE789,8, then READY.
      {"C64Music/GAMES/S-Z/Telengard_BASIC.sid", false, 0},
      {"C64Music/MUSICIANS/K/Karlsson_Peter/Red_River_Valley_BASIC.sid", false, 0},
  };
  constexpr int Seconds = 10;
  for (const TBasicTune& basic : tunes) {
    SCOPED_TRACE(basic.File);
    TTuneRig rig;
    ASSERT_EQ(rig.Loader.LoadTuneFile((folder / basic.File).string(), 0), TLoadResult::Loaded);
    rig.Start();
    std::vector<TTimedWrite> writes;
    std::vector<bool> secondsWithWrites(Seconds, false);
    for (int ms = 0; ms < Seconds * 1000; ++ms) {
      rig.Machine->Step();
      rig.TakeWrites(writes, ms);
      if (!writes.empty() && writes.back().Ms == ms) secondsWithWrites[static_cast<size_t>(ms / 1000)] = true;
    }
    const T6510& machine = *rig.Machine;
    EXPECT_EQ(machine.NeedsBasicRom(), !basic.Plays);
    if (!basic.Plays) {
      EXPECT_TRUE(writes.empty());
      continue;
    }
    // The music starts within two seconds (a packed release unpacks itself first) and keeps coming.
    for (int second = 2; second < Seconds; ++second) {
      EXPECT_TRUE(secondsWithWrites[static_cast<size_t>(second)]) << second;
    }
    EXPECT_EQ(machine.Ram[0x39] | machine.Ram[0x3A] << 8, basic.Line);
  }
}

}  // namespace
