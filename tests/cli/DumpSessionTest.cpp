// Tunes of the test data run through the tool's session: the timer preset, the stream the
// recording card receives, the frame snapshots and the text screen.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "cli/DumpSession.h"
#include "cli/OutputBuffer.h"
#include "cli/TextScreen.h"

namespace {

std::string Tune(const char* path) { return std::string(VEXLOR_TESTDATA) + "/tunes/C64Music/" + path; }

// Runs print into a temporary file; this gives back what they printed.
class TCapture {
 public:
  TCapture() : File(std::tmpfile()) {}
  ~TCapture() { std::fclose(File); }
  std::FILE* File;
  std::string Text() {
    std::fflush(File);
    std::rewind(File);
    std::string text;
    char chunk[4096];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, File)) > 0;) text.append(chunk, n);
    return text;
  }
};

// The user's own ROM images would change what the firmware traps.
class DumpSession : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("VEXLOR_ROMS", (std::filesystem::temp_directory_path() / "vexlor-no-roms").c_str(), 1);
  }
  void TearDown() override { unsetenv("VEXLOR_ROMS"); }

  bool Start(TDumpSession& session, const std::string& file, int song = 0, bool ntsc = false) {
    if (!std::filesystem::exists(file)) return false;
    EXPECT_EQ(session.Load(file, song), TLoadResult::Loaded);
    session.Start(ntsc);
    return true;
  }

  std::string Writes(const std::string& file, double seconds, int song = 0) {
    TDumpSession session;
    TCapture capture;
    if (!Start(session, file, song)) return {};
    {
      TOutputBuffer out(capture.File);
      session.RunWrites(seconds, out);
    }
    return capture.Text();
  }
};

#define REQUIRE_TUNE(file) \
  if (!std::filesystem::exists(file)) GTEST_SKIP() << "tune not found: " << (file)

}  // namespace

TEST(TextScreen, ScreenCodesAsAscii) {
  const std::pair<uint8_t, char> cases[] = {{0, '@'}, {1, 'A'}, {26, 'Z'}, {32, ' '}, {48, '0'}, {58, ':'},
                                            {65, 'A'}, {90, 'Z'}, {129, 'A'}, {160, ' '}, {100, '.'}, {255, '.'}};
  for (const auto& [code, ascii] : cases) EXPECT_EQ(ScreenCodeToAscii(code), ascii) << int(code);
}

TEST_F(DumpSession, WriteStreamIsOrderedRepeatableAndEndsInTheCardsRegisters) {
  const std::string file = Tune("MUSICIANS/S/Spider_Jerusalem/Dirty_Cheater.sid");
  REQUIRE_TUNE(file);
  TDumpSession session;
  TCapture capture;
  Start(session, file);
  {
    TOutputBuffer out(capture.File);
    session.RunWrites(3, out);
  }
  const std::string text = capture.Text();
  std::istringstream lines(text);
  uint64_t cycle = 0, previous = 0;
  unsigned reg = 0, value = 0;
  std::array<int, 32> last{};
  last.fill(-1);
  size_t count = 0;
  while (lines >> std::dec >> cycle >> std::hex >> reg >> value) {
    ASSERT_GE(cycle, previous) << "line " << count;
    ASSERT_LT(reg, 32u);
    last[reg] = int(value);
    previous = cycle;
    ++count;
  }
  EXPECT_GT(count, 300u);
  EXPECT_EQ(previous, session.Card().Cycle());
  for (uint8_t r = 0; r < TRecordingSidDevice::SidRegisters; ++r) {
    if (last[r] >= 0) {
      EXPECT_EQ(last[r], session.Card().Register(r)) << "register " << int(r);
    }
  }
  EXPECT_EQ(Writes(file, 3), text);
}

TEST_F(DumpSession, AnotherSongGivesAnotherStream) {
  const std::string file = Tune("MUSICIANS/H/Hubbard_Rob/Commando.sid");
  REQUIRE_TUNE(file);
  const std::string first = Writes(file, 2, 1);
  EXPECT_EQ(Writes(file, 2, 0), first);
  EXPECT_NE(Writes(file, 2, 2), first);
}

TEST_F(DumpSession, FramesEndOnFrameBoundariesWithTheCardsRegisters) {
  const std::string file = Tune("MUSICIANS/H/Hubbard_Rob/Commando.sid");
  REQUIRE_TUNE(file);
  TDumpSession session;
  TCapture capture;
  Start(session, file);
  {
    TOutputBuffer out(capture.File);
    session.RunFrames(1, out);
  }
  std::istringstream lines(capture.Text());
  std::string line, lastLine;
  int frames = 0;
  while (std::getline(lines, line)) {
    ++frames;
    std::istringstream fields(line);
    uint64_t frame = 0, cycle = 0;
    fields >> frame >> cycle;
    EXPECT_EQ(frame, uint64_t(frames));
    // Each frame may overshoot by the last instruction, never by more.
    EXPECT_LT(cycle - frame * 19656, 8u) << line;
    lastLine = line;
  }
  EXPECT_EQ(frames, 50);
  std::string registers;
  char hex[4];
  for (uint8_t r = 0; r < TRecordingSidDevice::SidRegisters; ++r) {
    std::snprintf(hex, sizeof hex, " %02X", session.Card().Register(r));
    registers += hex;
  }
  EXPECT_TRUE(lastLine.ends_with(registers)) << lastLine;
}

TEST_F(DumpSession, ScreenShowsTheLoadCommand) {
  const std::string file = Tune("MUSICIANS/H/Hubbard_Rob/Commando.sid");
  REQUIRE_TUNE(file);
  TDumpSession session;
  Start(session, file);
  EXPECT_EQ(ScreenAddress(session.Emulator()), 0x0400);
  const std::string screen = TextScreen(session.Emulator());
  EXPECT_NE(screen.find("\nLOAD\"COMMANDO.SID\",8,1\n"), std::string::npos) << screen;
  EXPECT_EQ(std::count(screen.begin(), screen.end(), '\n'), 25);
}

TEST_F(DumpSession, HeaderWithoutAUsableStartSongStartsSongOne) {
  // A PSID v2 header with start song 0: load $1000, init $1000 (RTS), play $1001 (RTS).
  std::vector<uint8_t> file(0x7C, 0);
  const uint8_t header[] = {'P', 'S', 'I', 'D', 0, 2, 0, 0x7C, 0x10, 0x00, 0x10, 0x00, 0x10, 0x01, 0, 1, 0, 0};
  std::copy(std::begin(header), std::end(header), file.begin());
  file.insert(file.end(), {0x60, 0x60});
  const std::filesystem::path path = std::filesystem::temp_directory_path() / "vexlor-start-song-0.sid";
  {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(out);
    std::fwrite(file.data(), 1, file.size(), out);
    std::fclose(out);
  }
  TDumpSession session;
  ASSERT_TRUE(Start(session, path.string()));
  EXPECT_EQ(session.Tune().startSong, 0);
  EXPECT_EQ(session.Song(), 1);
  session.Run(0.1);
  EXPECT_FALSE(session.NeedsBasicRom());
  std::filesystem::remove(path);
}
