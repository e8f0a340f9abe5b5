// Tunes run through the tool's session: the whole write stream the recording card receives, the
// frame snapshots and the text screen.
#include <gtest/gtest.h>

#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "TestFiles.h"
#include "cli/AudioRender.h"
#include "cli/DumpSession.h"
#include "cli/OutputBuffer.h"
#include "cli/TextScreen.h"
#include "tune/TuneTestSupport.h"

namespace {

struct TWrite {
  uint64_t Cycle;
  uint8_t Reg;
  uint8_t Value;
  bool operator==(const TWrite&) const = default;
};

class TWriteLog : public TSidWriteListener {
 public:
  void SidWrite(const TCardWrite& write) override {
    Writes.push_back({write.StreamCycle, write.Reg, write.Value});
    C64Cycles.push_back(write.C64Cycle);
  }
  std::vector<TWrite> Writes;
  std::vector<uint64_t> C64Cycles;
};

// The lines RunFrames printed, each split into its numbers (registers in hex).
std::vector<std::vector<unsigned>> FrameLines(TDumpSession& session, double seconds) {
  std::FILE* file = std::tmpfile();
  {
    TOutputBuffer out(file);
    session.RunFrames(seconds, out);
  }
  std::rewind(file);
  std::vector<std::vector<unsigned>> lines;
  unsigned long long frame = 0, cycle = 0;
  while (std::fscanf(file, "%llu %llu", &frame, &cycle) == 2) {
    std::vector<unsigned> line = {unsigned(frame), unsigned(cycle)};
    for (unsigned value = 0; line.size() < 27 && std::fscanf(file, "%x", &value) == 1;) line.push_back(value);
    lines.push_back(line);
  }
  std::fclose(file);
  return lines;
}

// The user's own ROM images would change what the firmware traps.
class DumpSession : public ::testing::Test {
 protected:
  void SetUp() override { setenv("VEXLOR_ROMS", (Scratch / "no-roms").c_str(), 1); }
  void TearDown() override { unsetenv("VEXLOR_ROMS"); }

  // The writes of a whole run, the init routine's first.
  std::vector<TWrite> Writes(const std::string& file, double seconds, int song = 0) {
    TDumpSession session;
    TWriteLog log;
    EXPECT_EQ(session.Load(file, song), TLoadResult::Loaded);
    session.SetListener(&log);
    session.Start(false);
    session.Run(seconds);
    return log.Writes;
  }

  TScratchFolder Scratch;
};

}  // namespace

TEST(TextScreen, ScreenCodesAsAscii) {
  const std::pair<uint8_t, char> cases[] = {{0, '@'}, {1, 'A'}, {26, 'Z'}, {32, ' '}, {48, '0'}, {58, ':'},
                                            {65, 'A'}, {90, 'Z'}, {129, 'A'}, {160, ' '}, {100, '.'}, {255, '.'}};
  for (const auto& [code, ascii] : cases) EXPECT_EQ(ScreenCodeToAscii(code), ascii) << int(code);
}

// Cybernoid II's init sets the filter cutoff, routing and mode before any play call: a card
// receives them first, so the stream starts with them.
TEST_F(DumpSession, StreamStartsWithTheInitRoutinesWrites) {
  const std::string file = CorpusTune("MUSICIANS/T/Tel_Jeroen/Cybernoid_II.sid").string();
  SKIP_WITHOUT(file);
  const std::vector<TWrite> writes = Writes(file, 0.01);
  ASSERT_GE(writes.size(), 3u);
  EXPECT_EQ(writes[0], (TWrite{0, 0x16, 0xFF}));
  EXPECT_EQ(writes[1], (TWrite{0, 0x17, 0x00}));
  EXPECT_EQ(writes[2], (TWrite{0, 0x18, 0x1F}));
}

TEST_F(DumpSession, WriteStreamIsOrderedRepeatableAndEndsInTheCardsRegisters) {
  const std::string file = CorpusTune("MUSICIANS/S/Spider_Jerusalem/Dirty_Cheater.sid").string();
  SKIP_WITHOUT(file);
  TDumpSession session;
  TWriteLog log;
  session.Load(file, 0);
  session.SetListener(&log);
  session.Start(false);
  session.Run(3);
  ASSERT_GT(log.Writes.size(), 300u);
  std::array<int, 32> last{};
  last.fill(-1);
  for (size_t i = 0; i < log.Writes.size(); ++i) {
    if (i > 0) {
      ASSERT_GE(log.Writes[i].Cycle, log.Writes[i - 1].Cycle) << i;
    }
    last[log.Writes[i].Reg & 31] = log.Writes[i].Value;
  }
  EXPECT_EQ(log.Writes.back().Cycle, session.Card().Cycle());
  for (uint8_t r = 0; r < TRecordingSidDevice::SidRegisters; ++r) {
    if (last[r] >= 0) {
      EXPECT_EQ(last[r], session.Card().Register(r)) << "register " << int(r);
    }
  }
  EXPECT_EQ(Writes(file, 3), log.Writes);
}

// A play routine writes its call count to register 0 and gates a note on call 50. The card gets
// the silent calls without their gaps; the C64 time of every write keeps them, a frame apart.
TEST_F(DumpSession, WritesCarryTheirC64CycleThroughASilentLeadIn) {
  TSidFile tune;
  // init: RTS. play at $1001: INC $02, LDA $02, STA $D400, CMP #50, BNE +5, LDA #$11, STA $D404, RTS.
  tune.data = {0x00, 0x10, 0x60, 0xE6, 0x02, 0xA5, 0x02, 0x8D, 0x00, 0xD4, 0xC9, 0x32,
               0xD0, 0x05, 0xA9, 0x11, 0x8D, 0x04, 0xD4, 0x60};
  tune.init = 0x1000;
  tune.play = 0x1001;
  TDumpSession session;
  TWriteLog log;
  ASSERT_EQ(session.Load(Scratch.Write("leadin.sid", tune.Bytes()), 0), TLoadResult::Loaded);
  session.SetListener(&log);
  session.Start(false);
  session.Run(1.1);
  std::vector<size_t> counts;  // the writes of register 0, one per call
  for (size_t i = 0; i < log.Writes.size(); ++i) {
    if (log.Writes[i].Reg == 0) counts.push_back(i);
  }
  ASSERT_GE(counts.size(), 52u);
  for (size_t call = 1; call < counts.size(); ++call) {
    // An idle CPU takes the interrupt within a few cycles of the raster line's start.
    EXPECT_NEAR(double(log.C64Cycles[counts[call]] - log.C64Cycles[counts[call - 1]]), T6510::PalFrameCycles, 3)
        << call;
  }
  EXPECT_EQ(log.Writes[counts[49]].Cycle, log.Writes[counts[0]].Cycle);
  EXPECT_NEAR(double(log.Writes[counts[50]].Cycle - log.Writes[counts[49]].Cycle), T6510::PalFrameCycles, 3);
  EXPECT_LE(log.C64Cycles.back(), session.SongCycles());
}

TEST_F(DumpSession, AnotherSongGivesAnotherStream) {
  const std::string file = CorpusTune("MUSICIANS/H/Hubbard_Rob/Commando.sid").string();
  SKIP_WITHOUT(file);
  const std::vector<TWrite> first = Writes(file, 2, 1);
  EXPECT_EQ(Writes(file, 2, 0), first);
  EXPECT_NE(Writes(file, 2, 2), first);
}

// Frames end as the raster leaves the last line. A play routine that counts its calls into
// register 0 shows every count exactly once: no snapshot falls inside or beside a call.
TEST_F(DumpSession, FramesFollowTheRasterAndSnapshotBetweenPlayCalls) {
  TSidFile tune;
  // init: RTS. play at $1001: INC $02, LDA $02, STA $D400, RTS.
  tune.data = {0x00, 0x10, 0x60, 0xE6, 0x02, 0xA5, 0x02, 0x8D, 0x00, 0xD4, 0x60};
  tune.init = 0x1000;
  tune.play = 0x1001;
  for (const bool ntsc : {false, true}) {
    SCOPED_TRACE(ntsc ? "NTSC" : "PAL");
    TDumpSession session;
    ASSERT_EQ(session.Load(Scratch.Write("count.sid", tune.Bytes()), 0), TLoadResult::Loaded);
    session.Start(ntsc);
    const uint32_t frameCycles = session.FrameCycles();
    const std::vector<std::vector<unsigned>> lines = FrameLines(session, 1);
    ASSERT_EQ(lines.size(), ntsc ? 59u : 50u);
    EXPECT_LT(lines[0][1], frameCycles);
    for (size_t i = 1; i < lines.size(); ++i) {
      EXPECT_EQ(lines[i][0], i + 1);
      EXPECT_NEAR(double(lines[i][1] - lines[i - 1][1]), frameCycles, 8) << i;
      // The first call comes on line 55 of the second frame.
      if (i >= 2) {
        EXPECT_EQ(lines[i][2], (lines[i - 1][2] + 1) & 0xFF) << "frame " << i + 1;
      }
    }
  }
}

TEST_F(DumpSession, ScreenShowsTheLoadCommand) {
  const std::string file = CorpusTune("MUSICIANS/H/Hubbard_Rob/Commando.sid").string();
  SKIP_WITHOUT(file);
  TDumpSession session;
  session.Load(file, 0);
  session.Start(false);
  EXPECT_EQ(ScreenAddress(session.Emulator()), 0x0400);
  const std::string screen = TextScreen(session.Emulator());
  EXPECT_NE(screen.find("\nLOAD\"COMMANDO.SID\",8,1\n"), std::string::npos) << screen;
  EXPECT_EQ(std::count(screen.begin(), screen.end(), '\n'), 25);
}

TEST_F(DumpSession, HeaderWithoutAUsableStartSongStartsSongOne) {
  TSidFile tune;
  tune.startSong = 0;
  tune.data = {0x00, 0x10, 0x60, 0x60};
  tune.play = 0x1001;
  TDumpSession session;
  ASSERT_EQ(session.Load(Scratch.Write("start0.sid", tune.Bytes()), 0), TLoadResult::Loaded);
  session.Start(false);
  EXPECT_EQ(session.Tune().startSong, 0);
  EXPECT_EQ(session.Song(), 1);
  session.Run(0.1);
  EXPECT_FALSE(session.NeedsBasicRom());
}

// Ring-a-sync plays its second SID at $DE00, in the C64's cartridge area: rendered in stereo, the
// first chip is heard on the left, the second on the right, and the two play different parts.
TEST_F(DumpSession, TwoSidTuneRendersEachChipOnItsOwnSide) {
  const std::string file = CorpusTune("MUSICIANS/N/Noplanet/Ring-a-sync_2SID.sid").string();
  SKIP_WITHOUT(file);
  TDumpSession session;
  ASSERT_EQ(session.Load(file, 0), TLoadResult::Loaded);
  const std::vector<TSidModel> models = {TSidModel::Mos8580, TSidModel::Mos8580};
  TSidConfig config;
  config.ClockHz = MachineClockHz(session.RunsPal(false));
  TAudioRender render(config, models, TSidMixLayout::Stereo, uint64_t(4 * config.ClockHz));
  const std::string path = Scratch / "ring.wav";
  std::string error;
  ASSERT_TRUE(render.Open(path, error)) << error;
  session.SetListener(&render);
  session.Start(false);
  session.Run(4);
  ASSERT_TRUE(render.Finish(error)) << error;

  SF_INFO info{};
  SNDFILE* sound = sf_open(path.c_str(), SFM_READ, &info);
  ASSERT_TRUE(sound);
  std::vector<int16_t> frames(size_t(info.frames * info.channels));
  sf_readf_short(sound, frames.data(), info.frames);
  sf_close(sound);
  ASSERT_EQ(info.channels, 2);
  double left = 0, right = 0, apart = 0;
  for (size_t i = 0; i + 1 < frames.size(); i += 2) {
    left += std::abs(frames[i]);
    right += std::abs(frames[i + 1]);
    apart += std::abs(frames[i] - frames[i + 1]);
  }
  const double count = double(info.frames);
  EXPECT_GT(left / count, 200.0);
  EXPECT_GT(right / count, 200.0) << "the chip at $DE00 is heard";
  EXPECT_GT(apart / count, 200.0);
}
