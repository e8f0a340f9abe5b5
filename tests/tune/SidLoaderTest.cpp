// The loader on files built here: detection, header rules, program checks, fingerprint rules and
// malformed input.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <tuple>

#include "TuneTestSupport.h"
#include "tune/TuneTexts.h"

namespace {

TBytes Program(uint16_t loadAddress, size_t length) {
  TBytes bytes = {uint8_t(loadAddress), uint8_t(loadAddress >> 8)};
  for (size_t i = 0; i < length; ++i) bytes.push_back(uint8_t(i * 7));
  return bytes;
}

TBytes Pc64(const std::string& name, const TBytes& program) {
  TBytes bytes = {'C', '6', '4', 'F', 'i', 'l', 'e', 0};
  bytes.resize(26, 0);
  std::copy(name.begin(), name.end(), bytes.begin() + 8);
  return Concat(bytes, program);
}

class Loader : public testing::Test {
 protected:
  TLoadResult Load(const std::string& fileName, const TBytes& bytes, int songIndex = 0) {
    return SidLoader.LoadTuneData(fileName, bytes, songIndex);
  }
  TRecordingMachine Machine;
  TSidLoader SidLoader{Machine};
  const TTuneRecord& Tune = SidLoader.Tune;
};

struct TDetectionCase {
  const char* fileName;
  TBytes bytes;
  TLoadResult result;
};

TEST_F(Loader, DetectsByMagicThenByExtension) {
  const TDetectionCase cases[] = {
      {"a.prg", Program(0x0801, 5), TLoadResult::Loaded},
      {"a.prg", Program(0x0801, 4), TLoadResult::NotAProgram},
      {"A.PRG", Program(0x0801, 5), TLoadResult::Loaded},
      {"a.dat", Program(0x0801, 5), TLoadResult::Loaded},
      {"a.prg", Program(0x0326, 0), TLoadResult::Loaded},
      {"a.prg", Program(0x1000, 100), TLoadResult::NotAProgram},
      {"a.prg", Program(0x0400, 2000), TLoadResult::Loaded},
      {"a.prg", Program(0x0400, 0x405), TLoadResult::NotAProgram},  // ends exactly at $0805
      {"a.prg", Program(0x0400, 0x406), TLoadResult::Loaded},
      {"a.prg", {0x01}, TLoadResult::NotAProgram},
      {"a.prg", {}, TLoadResult::NotAProgram},
      {"music", Program(0x0801, 3), TLoadResult::NotAProgram},  // passes detection only
      {"music", Program(0x0801, 5), TLoadResult::Loaded},
      {"music", Program(0x0801, 0), TLoadResult::UnknownFormat},
      {"music", Program(0x1000, 5), TLoadResult::UnknownFormat},
      {"dir.v2/music", Program(0x0801, 5), TLoadResult::Loaded},
      {"a.mus", TBytes(11, 0), TLoadResult::SidplayerMusic},
      {"a.mus", TBytes(10, 0), TLoadResult::UnknownFormat},
      {"a.p00", Pc64("TUNE", Program(0x0801, 10)), TLoadResult::Loaded},
      {"a.P01", Pc64("TUNE", Program(0x0801, 10)), TLoadResult::Loaded},
      {"a.p00", Pc64("TUNE", Program(0x1000, 10)), TLoadResult::NotAProgram},
      {"a.p00", Pc64("TUNE", {0x01}), TLoadResult::NotAProgram},
      {"a.p00", TBytes(27, 'x'), TLoadResult::UnknownFormat},
      {"a.psid", TBytes(30, 'x'), TLoadResult::UnknownFormat},
      {"a.sid", {}, TLoadResult::UnknownFormat},
      {"a.sid", {'P', 'S', 'I'}, TLoadResult::UnknownFormat},
      {"a.txt", {'P', 'S', 'I', 'D'}, TLoadResult::Loaded},
      {"a.prg", {'R', 'S', 'I', 'D', 0x01, 0x08}, TLoadResult::Loaded},
  };
  for (const TDetectionCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.fileName << ", " << c.bytes.size() << " bytes");
    EXPECT_EQ(Load(c.fileName, c.bytes), c.result);
  }
}

TEST_F(Loader, SidplayerMusicIsRecognisedButNotPlayed) {
  ASSERT_EQ(Load("a.mus", TBytes(200, 1)), TLoadResult::SidplayerMusic);
  EXPECT_EQ(Tune.fileFormat, "C64 Sidplayer music file (MUS)");
  EXPECT_EQ(Tune.md5, "");
  EXPECT_TRUE(Machine.Calls.empty());
  EXPECT_EQ(LoadMessage(TLoadResult::SidplayerMusic), "") << "recognised: no error to show";
}

TEST_F(Loader, ProgramNames) {
  ASSERT_EQ(Load("/music/A_name_of_exactly_thirty-six_cha.prg", Program(0x0801, 9)), TLoadResult::Loaded);
  EXPECT_EQ(Tune.name, "A_name_of_exactly_thirty-six_cha.prg");
  ASSERT_EQ(Load("/music/A_very_long_name_that_runs_past_the_limit.prg", Program(0x0801, 9)), TLoadResult::Loaded);
  EXPECT_EQ(Tune.name, "A_very_long_name_that_runs_past_the_");
  ASSERT_EQ(Load("Ångström_Ångström_Ångström_Ångström_Å.prg", Program(0x0801, 9)), TLoadResult::Loaded);
  EXPECT_EQ(Tune.name, "Ångström_Ångström_Ångström_Ångström_");
  ASSERT_EQ(Load("/music/a.p00", Pc64("TUNE", Program(0x0801, 9))), TLoadResult::Loaded);
  EXPECT_EQ(Tune.name, std::string("TUNE\0\0\0\0\0\0\0\0\0\0\0\0", 16));
  EXPECT_EQ(Tune.fileFormat, "PC64 Program file (PRG)");
}

TEST_F(Loader, HeaderLoadAddressDecidesWhereTheDataStart) {
  TSidFile sid;
  sid.data = {0x01, 0x08, 0xAA, 0xBB, 0xCC};
  ASSERT_EQ(Load("a.sid", sid.Bytes()), TLoadResult::Loaded);
  EXPECT_EQ(Tune.loadAddress, 0x0801);
  EXPECT_EQ(Tune.dataLength, 3);
  EXPECT_EQ(Machine.Data, (TBytes{0xAA, 0xBB, 0xCC}));

  sid.load = 0x2000;
  ASSERT_EQ(Load("a.sid", sid.Bytes()), TLoadResult::Loaded);
  EXPECT_EQ(Tune.loadAddress, 0x2000);
  EXPECT_EQ(Tune.dataLength, 5);
  EXPECT_EQ(Machine.Data, sid.data);
  EXPECT_EQ(Tune.md5, Md5Of({0xAA, 0xBB, 0xCC, 0x00, 0x10, 0x03, 0x10, 0x01, 0x00, 0x00}));
}

struct TInitCase {
  const char* magic;
  uint8_t flags;
  int32_t initAddress;
  bool basicTune;
};

TEST_F(Loader, InitZeroStartsAtTheLoadAddressOrThroughBasic) {
  const TInitCase cases[] = {
      {"RSID", 0x16, 0xA7AE, true},
      {"RSID", 0x14, 0x0801, false},
      {"PSID", 0x16, 0x0801, false},  // bit 1 of a PSID means PlaySID-specific, not BASIC
  };
  for (const TInitCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.magic << " flags " << int(c.flags));
    TSidFile sid;
    sid.magic = c.magic;
    sid.flags = c.flags;
    sid.init = 0;
    sid.play = 0;
    sid.data = {0x01, 0x08, 0x0B, 0x08, 0x0A, 0x00, 0x99};
    ASSERT_EQ(Load("a.sid", sid.Bytes()), TLoadResult::Loaded);
    EXPECT_EQ(Tune.initAddress, c.initAddress);
    EXPECT_EQ(Tune.basicTune, c.basicTune);
  }
}

TEST_F(Loader, RsidRunsInTheC64EnvironmentOnTheCia) {
  TSidFile sid;
  sid.magic = "RSID";
  sid.speed = 0x12345678;
  sid.flags = 0x1E;
  sid.startSong = 3;
  ASSERT_EQ(Load("a.sid", sid.Bytes()), TLoadResult::Loaded);
  EXPECT_EQ(Tune.speed, 0xFFFFFFFF);
  EXPECT_TRUE(Tune.realC64);
  EXPECT_FALSE(Tune.playSidSpecific);
  EXPECT_EQ(Machine.Calls, (std::vector<std::string>{"PlaySid off", "LoadTune"}));
  EXPECT_EQ(Machine.SongByte, 2);
  EXPECT_TRUE(Machine.RealC64);
}

TEST_F(Loader, PlaySidModeIsSetBeforeTheTuneIsPlaced) {
  TSidFile sid;
  sid.flags = 0x16;
  ASSERT_EQ(Load("a.sid", sid.Bytes()), TLoadResult::Loaded);
  EXPECT_TRUE(Tune.playSidSpecific);
  EXPECT_EQ(Machine.Calls, (std::vector<std::string>{"PlaySid on", "LoadTune"}));
}

TEST_F(Loader, VersionOneHeaderHasNoFlags) {
  TSidFile sid;
  sid.dataOffset = 0x76;
  sid.load = 0x1000;
  sid.data = {0x55, 0x3E, 0xA9, 0x00, 0x60};  // 0x3E would read as NTSC, PlaySID, both models
  sid.startPage = 0x20;
  ASSERT_EQ(Load("a.sid", sid.Bytes()), TLoadResult::Loaded);
  EXPECT_FALSE(Tune.clockPal || Tune.clockNtsc || Tune.sid6581 || Tune.sid8580 || Tune.playSidSpecific);
  EXPECT_EQ(Tune.relocStartPage, 0);
  EXPECT_EQ(Tune.relocPages, 0);
  EXPECT_EQ(Tune.md5, Md5Of({0xA9, 0x00, 0x60, 0x00, 0x10, 0x03, 0x10, 0x01, 0x00, 0x00}));
}

// Version 3 names a second chip, version 4 a third; an address byte counts when it is even and
// names $D420-$D7E0 or $DE00-$DFE0, and a third chip needs a second elsewhere. Any other byte but
// 0 is refused with a message. Each chip's model comes from its own flag bits, the first's when
// they say nothing.
TEST_F(Loader, OtherSidChipsOfTheHeaderReachTheMachine) {
  struct TCase {
    uint16_t Version;
    uint8_t Second, Third;
    int32_t SecondAddress, ThirdAddress;
    std::string Refused;
  };
  for (const TCase& c : {TCase{2, 0x42, 0x44, 0, 0, ""}, TCase{3, 0x42, 0x44, 0xD420, 0, ""},
                         TCase{4, 0x42, 0x44, 0xD420, 0xD440, ""}, TCase{4, 0x50, 0xE0, 0xD500, 0xDE00, ""},
                         TCase{4, 0xFE, 0xFE, 0xDFE0, 0, "No third SID at $DFE0: not a valid address."},
                         TCase{3, 0x43, 0, 0, 0, "No second SID at $D430: not a valid address."},
                         TCase{3, 0x40, 0, 0, 0, "No second SID at $D400: not a valid address."},
                         TCase{3, 0x80, 0, 0, 0, "No second SID at $D800: not a valid address."},
                         TCase{4, 0, 0x44, 0, 0, "No third SID at $D440: not a valid address."},
                         TCase{4, 0x80, 0xDE, 0, 0,
                               "No second SID at $D800: not a valid address. No third SID at $DDE0: not a valid "
                               "address."}}) {
    SCOPED_TRACE(testing::Message() << "v" << c.Version << " " << int(c.Second) << " " << int(c.Third));
    TSidFile sid;
    sid.version = c.Version;
    sid.secondSid = c.Second;
    sid.thirdSid = c.Third;
    ASSERT_EQ(Load("a.sid", sid.Bytes()), TLoadResult::Loaded);
    EXPECT_EQ(Tune.secondSidAddress, c.SecondAddress);
    EXPECT_EQ(Tune.thirdSidAddress, c.ThirdAddress);
    EXPECT_EQ(RefusedSidText(Tune), c.Refused);
    EXPECT_EQ(Machine.OtherSids, (std::array<uint16_t, 2>{uint16_t(c.SecondAddress), uint16_t(c.ThirdAddress)}));
  }
  TSidFile models;
  models.version = 4;
  models.secondSid = 0x50;
  models.thirdSid = 0xE0;
  for (const auto& [flags, highFlags, text] :
       {std::tuple{0x10, 0x00, "$D400 6581, $D500 6581, $DE00 6581"},
        std::tuple{0x90, 0x02, "$D400 6581, $D500 8580, $DE00 8580"},
        std::tuple{0x60, 0x01, "$D400 8580, $D500 6581, $DE00 6581"},
        std::tuple{0x00, 0x03, "$D400 Unknown, $D500 Unknown, $DE00 6581/8580"}}) {
    models.flags = uint8_t(flags);
    models.highFlags = uint8_t(highFlags);
    ASSERT_EQ(Load("a.sid", models.Bytes()), TLoadResult::Loaded);
    EXPECT_EQ(SidChipsText(Tune), text);
  }
  ASSERT_EQ(Load("a.prg", {0x01, 0x08, 0x0B, 0x08, 0x0A, 0x00, 0x9E, 0x32, 0x30, 0x36, 0x31, 0, 0, 0}), TLoadResult::Loaded);
  EXPECT_EQ(Tune.SidChips(), 1);
}

TEST_F(Loader, HeaderTexts) {
  TSidFile sid;
  sid.name = std::string(31, 'n');
  Load("a.sid", sid.Bytes());
  EXPECT_EQ(Tune.name, std::string(31, 'n'));
  sid.name = std::string(32, 'n') + "author";  // no terminating zero: the author follows at once
  Load("a.sid", sid.Bytes());
  EXPECT_EQ(Tune.name, std::string(32, 'n'));
  EXPECT_EQ(Tune.author, "author");
}

struct TFingerprintCase {
  const char* what;
  std::string magic;
  uint32_t speed;
  uint8_t flags;
  TBytes songBytes;  // one per song
  TBytes end;
};

TBytes SongBytes(size_t count, std::initializer_list<size_t> ciaSongs) {
  TBytes bytes(count, 0x00);
  for (size_t song : ciaSongs) bytes[song - 1] = 0x3C;
  return bytes;
}

TEST_F(Loader, FingerprintTimingAndClockBytes) {
  // Bit 31 for songs past 32, the NTSC byte and RSID's CIA bytes are checked on the corpus.
  const TFingerprintCase cases[] = {
      {"PlaySID repeats the bits", "PSID", 0x00000001, 0x16, SongBytes(40, {1, 33}), {}},
      {"clock unknown", "PSID", 0x00000000, 0x00, SongBytes(40, {}), {}},
      {"no songs", "PSID", 0xFFFFFFFF, 0x18, {}, {0x02}},
  };
  for (const TFingerprintCase& c : cases) {
    SCOPED_TRACE(c.what);
    TSidFile sid;
    sid.magic = c.magic;
    sid.speed = c.speed;
    sid.flags = c.flags;
    sid.songs = uint16_t(c.songBytes.size());
    ASSERT_EQ(Load("a.sid", sid.Bytes()), TLoadResult::Loaded);
    const TBytes header = {0x00, 0x10, 0x03, 0x10, uint8_t(sid.songs), 0x00};
    EXPECT_EQ(Tune.md5, Md5Of(Concat(Concat(Concat({0xA9, 0x00, 0x60}, header), c.songBytes), c.end)));
  }
}

TEST_F(Loader, DataPastTheTopOfMemoryIsCut) {
  TSidFile sid;
  sid.data = Program(0xFF00, 0x300);
  ASSERT_EQ(Load("a.sid", sid.Bytes()), TLoadResult::Loaded);
  EXPECT_EQ(Tune.dataLength, 0x300);
  EXPECT_EQ(Machine.Data, TBytes(sid.data.begin() + 2, sid.data.begin() + 0x102));
  EXPECT_EQ(Tune.md5, Md5Of(Concat(TBytes(sid.data.begin() + 2, sid.data.end()), {0x00, 0x10, 0x03, 0x10, 1, 0, 0})));
}

// Malformed PSID files load with whatever their bytes say, reading nothing beyond the file.
TEST_F(Loader, MalformedSidFilesLoadWithoutReadingPastTheEnd) {
  TSidFile zeroSongs;
  zeroSongs.songs = 0;
  TSidFile startAboveSongs;
  startAboveSongs.songs = 3;
  startAboveSongs.startSong = 5;
  TBytes pastEnd = TSidFile().Bytes();
  pastEnd[0x06] = 0xFF;
  TBytes truncated = TSidFile().Bytes();
  truncated.resize(0x50);
  std::vector<TBytes> files = {{'P', 'S', 'I', 'D'}, truncated, pastEnd, zeroSongs.Bytes(), startAboveSongs.Bytes()};
  std::mt19937 random(1);
  for (size_t length : {5, 0x77, 0x7D, 0x7E, 4000}) {
    TBytes noise = {'P', 'S', 'I', 'D'};
    while (noise.size() < length) noise.push_back(uint8_t(random()));
    files.push_back(noise);
  }
  for (const TBytes& file : files) {
    SCOPED_TRACE(testing::Message() << file.size() << " bytes");
    ASSERT_EQ(Load("a.sid", file), TLoadResult::Loaded);
    EXPECT_GE(Tune.dataLength, 0);
    EXPECT_LE(Machine.Data.size(), file.size());
    EXPECT_EQ(Tune.md5.size(), 32u);
  }
  EXPECT_EQ(Tune.songs, files.back()[0x0E] << 8 | files.back()[0x0F]);
}

TEST_F(Loader, FilesThatCannotBeRead) {
  EXPECT_EQ(SidLoader.LoadTuneFile("", 0), TLoadResult::NotOpened);
  EXPECT_EQ(SidLoader.LoadTuneFile("/nonexistent/tune.sid", 0), TLoadResult::NotOpened);
  EXPECT_EQ(SidLoader.LoadTuneFile(testing::TempDir(), 0), TLoadResult::NotOpened);
  EXPECT_EQ(Tune.md5, "");

  const std::string huge = testing::TempDir() + "vexlor_huge.sid";
  std::ofstream(huge, std::ios::binary) << std::string("PSID") + std::string(TSidLoader::MaxFileSize, 'x');
  EXPECT_EQ(SidLoader.LoadTuneFile(huge, 0), TLoadResult::TooLarge);
  EXPECT_EQ(LoadMessage(TLoadResult::TooLarge), "Unknown file format");
  std::filesystem::resize_file(huge, TSidLoader::MaxFileSize);
  EXPECT_EQ(SidLoader.LoadTuneFile(huge, 0), TLoadResult::Loaded);
  std::filesystem::remove(huge);
}

TEST_F(Loader, RestartUsesTheSavedImage) {
  TSidFile sid;
  sid.flags = 0x16;
  ASSERT_EQ(Load("a.sid", sid.Bytes()), TLoadResult::Loaded);
  Machine.Calls.clear();
  EXPECT_TRUE(SidLoader.RestartAtSong(6));
  EXPECT_EQ(Machine.Calls, (std::vector<std::string>{"PlaySid on", "RestoreTune"}));
  EXPECT_EQ(Machine.SongByte, 6);
  EXPECT_EQ(Machine.LoadAddress, 0x1000);
  EXPECT_FALSE(Machine.RealC64);
}

}  // namespace
