// Loads the shared real-tune corpus and checks the record against the facts listed beside it and
// the fingerprints against the keys of the HVSC song length files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "TestFiles.h"
#include "TuneTestSupport.h"

namespace {

const std::filesystem::path kTunes = std::filesystem::path(VEXLOR_TESTDATA) / "tunes";
const std::filesystem::path kHvsc = std::filesystem::path(VEXLOR_TESTDATA) / "hvsc";

// "$5F80" or "20" as written in the index.
uint32_t Number(const std::string& text) {
  return text.starts_with("$") ? uint32_t(std::stoul(text.substr(1), nullptr, 16)) : uint32_t(std::stoul(text));
}

// The index is UTF-8; the tune headers hold Latin-1.
std::string Latin1ToUtf8(const std::string& text) {
  std::string utf8;
  for (unsigned char c : text) {
    if (c < 0x80) {
      utf8.push_back(char(c));
    } else {
      utf8.push_back(char(0xC0 | c >> 6));
      utf8.push_back(char(0x80 | (c & 0x3F)));
    }
  }
  return utf8;
}

// The old-style key listed under "; /PATH" in a song length file.
std::map<std::string, std::string> ReadSongLengthKeys(const std::filesystem::path& file) {
  std::map<std::string, std::string> keys;
  std::ifstream stream(file);
  std::string path;
  for (std::string line; std::getline(stream, line);) {
    if (line.starts_with("; /")) {
      path = line.substr(2);
    } else if (!path.empty() && line.size() > 32 && line[32] == '=') {
      keys[path] = line.substr(0, 32);
      path.clear();
    }
  }
  return keys;
}

class TuneCorpus : public testing::Test {
 protected:
  void SetUp() override {
    SKIP_WITHOUT(kTunes / "INDEX.tsv");
  }
  TRecordingMachine Machine;
  TSidLoader Loader{Machine};
};

TEST_F(TuneCorpus, HeaderFactsMatchTheIndex) {
  const auto rows = TuneIndex();
  ASSERT_EQ(rows.size(), 42u);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.at("file"));
    const std::filesystem::path path = kTunes / row.at("file");
    ASSERT_EQ(Loader.LoadTuneFile(path.string(), 5), TLoadResult::Loaded);
    const TTuneRecord& tune = Loader.Tune;
    const bool rsid = row.at("magic") == "RSID";
    const uint32_t flags = Number(row.at("flags"));
    const bool basic = row.at("basic_rsid") == "yes";
    const int32_t load = int32_t(Number(row.at("loadAddr_real")));
    const int32_t storedInit = int32_t(Number(row.at("initAddr")));

    EXPECT_EQ(tune.magicId, row.at("magic"));
    EXPECT_EQ(tune.fileFormat, rsid ? "Real C64 SID one-file (RSID)" : "PlaySID one-file (PSID)");
    EXPECT_EQ(tune.dataOffset, int32_t(Number(row.at("dataOffset"))));
    EXPECT_EQ(tune.loadAddress, load);
    EXPECT_EQ(tune.initAddress, basic ? 0xA7AE : storedInit != 0 ? storedInit : load);
    EXPECT_EQ(tune.basicTune, basic);
    EXPECT_EQ(tune.playAddress, int32_t(Number(row.at("playAddr"))));
    EXPECT_EQ(tune.songs, int32_t(Number(row.at("songs"))));
    EXPECT_EQ(tune.startSong, int32_t(Number(row.at("startSong"))));
    EXPECT_EQ(tune.speed, rsid ? 0xFFFFFFFF : Number(row.at("speed")));
    EXPECT_EQ(tune.dataLength, int32_t(Number(row.at("c64DataLen"))));
    EXPECT_EQ(tune.filePal, (flags & 0x04) != 0);
    EXPECT_EQ(tune.fileNtsc, (flags & 0x08) != 0);
    EXPECT_EQ(tune.clockPal, tune.filePal);
    EXPECT_EQ(tune.clockNtsc, tune.fileNtsc);
    EXPECT_EQ(tune.sid6581, row.at("sidModel").find("6581") != std::string::npos);
    EXPECT_EQ(tune.sid8580, row.at("sidModel").find("8580") != std::string::npos);
    EXPECT_EQ(tune.playSidSpecific, row.at("playsid_specific") == "yes");
    EXPECT_EQ(tune.realC64, rsid);
    EXPECT_FALSE(tune.programFile);
    EXPECT_EQ(tune.relocStartPage, int32_t(Number(row.at("startPage"))));
    EXPECT_EQ(tune.relocPages, int32_t(Number(row.at("pageLength"))));
    const auto sidAddress = [&row](const char* column) {
      return row.at(column) == "-" ? 0 : int32_t(Number(row.at(column)));
    };
    EXPECT_EQ(tune.secondSidAddress, sidAddress("sid2Addr"));
    EXPECT_EQ(tune.thirdSidAddress, sidAddress("sid3Addr"));
    EXPECT_EQ(Machine.OtherSids, (std::array<uint16_t, 2>{uint16_t(tune.secondSidAddress), uint16_t(tune.thirdSidAddress)}));
    EXPECT_EQ(Latin1ToUtf8(tune.name), row.at("name"));
    EXPECT_EQ(Latin1ToUtf8(tune.author), row.at("author"));
    EXPECT_EQ(Latin1ToUtf8(tune.released), row.at("released"));
    EXPECT_EQ(tune.md5, row.at("md5_old_fingerprint"));

    // The machine gets the file's C64 bytes after the embedded load address, cut at $FFFF.
    const TBytes file = ReadFileBytes(path);
    const size_t cut = std::min<size_t>(file.size() - 0x7E, 0x10000 - size_t(load));
    EXPECT_EQ(Machine.Data, TBytes(file.begin() + 0x7E, file.begin() + 0x7E + std::ptrdiff_t(cut)));
    EXPECT_EQ(Machine.LoadAddress, load);
    EXPECT_EQ(Machine.SongByte, tune.startSong - 1);
    EXPECT_EQ(Machine.RealC64, rsid);
    EXPECT_EQ(Machine.FileName, path.string());
  }
}

// Each release's Songlengths.txt lists its tunes by HVSC path; the key is the fingerprint.
TEST_F(TuneCorpus, FingerprintsAreTheSongLengthKeys) {
  const std::map<std::string, std::map<std::string, std::string>> keysByRelease = {
      {"C64Music", ReadSongLengthKeys(kHvsc / "hvsc69/DOCUMENTS/Songlengths.txt")},
      {"hvsc49", ReadSongLengthKeys(kHvsc / "hvsc49/DOCUMENTS/Songlengths.txt")}};
  int checked = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(kTunes)) {
    if (entry.path().extension() != ".sid") continue;
    const std::string relative = entry.path().lexically_relative(kTunes).generic_string();
    SCOPED_TRACE(relative);
    const auto& keys = keysByRelease.at(relative.substr(0, relative.find('/')));
    const std::string hvscPath = relative.substr(relative.find("C64Music/") + 8);
    ASSERT_TRUE(keys.contains(hvscPath));
    ASSERT_EQ(Loader.LoadTuneFile(entry.path().string(), 0), TLoadResult::Loaded);
    EXPECT_EQ(Loader.Tune.md5, keys.at(hvscPath));
    ++checked;
  }
  EXPECT_EQ(checked, 42);
}

struct TProgramCase {
  const char* file;
  TLoadResult result;
  int32_t loadAddress;
  const char* fileFormat;
  std::string name;
};

TEST_F(TuneCorpus, ProgramFiles) {
  const TProgramCase cases[] = {
      {"prg/Grillende_Zirpe.prg", TLoadResult::Loaded, 0x0801, "C64 Program file (PRG)", "Grillende_Zirpe.prg"},
      {"prg/25hz-0inspiration.prg", TLoadResult::Loaded, 0x0801, "C64 Program file (PRG)", "25hz-0inspiration.prg"},
      // A bare music routine at $1000 is nothing a C64 would start by itself.
      {"prg/Dirty_Cheater_main.prg", TLoadResult::NotAProgram, 0x1000, "", ""},
      {"constructed_p00/grillende_zirpe.p00", TLoadResult::Loaded, 0x0801, "PC64 Program file (PRG)",
       std::string("GRILLENDE ZIRPE\0", 16)},
      {"constructed_p00/dirty_cheater.p00", TLoadResult::NotAProgram, 0x1000, "", ""},
  };
  for (const TProgramCase& c : cases) {
    SCOPED_TRACE(c.file);
    const TBytes file = ReadFileBytes(kTunes / c.file);
    const size_t header = std::string(c.file).ends_with(".p00") ? 26 : 0;
    Machine.Calls.clear();
    Loader.Tune.fileFormat.clear();
    Loader.Tune.name.clear();
    ASSERT_EQ(Loader.LoadTuneFile((kTunes / c.file).string(), 2), c.result);
    EXPECT_EQ(Loader.Tune.loadAddress, c.loadAddress);
    EXPECT_EQ(Loader.Tune.dataLength, int32_t(file.size() - header - 2));
    EXPECT_EQ(Loader.Tune.md5, Md5Of(TBytes(file.begin() + std::ptrdiff_t(header + 2), file.end())));
    EXPECT_EQ(Loader.Tune.fileFormat, c.fileFormat);
    EXPECT_EQ(Loader.Tune.name, c.name);
    if (c.result != TLoadResult::Loaded) {
      EXPECT_EQ(Machine.Calls, (std::vector<std::string>{"PlaySid off"}));
      continue;
    }
    EXPECT_EQ(Machine.Calls, (std::vector<std::string>{"PlaySid off", "LoadTune"}));
    EXPECT_EQ(Machine.Data, TBytes(file.begin() + std::ptrdiff_t(header + 2), file.end()));
    EXPECT_EQ(Machine.SongByte, 2);
    EXPECT_TRUE(Machine.RealC64);
    EXPECT_EQ(Loader.Tune.magicId, "RSID");
    EXPECT_TRUE(Loader.Tune.programFile);
    EXPECT_EQ(Loader.Tune.speed, 0xFFFFFFFF);
  }
}

// The music routine released as a program holds the same bytes as the C64 data of its HVSC tune.
TEST_F(TuneCorpus, ProgramFingerprintCoversTheSameBytesAsTheSidData) {
  ASSERT_EQ(Loader.LoadTuneFile((kTunes / "prg/Dirty_Cheater_main.prg").string(), 0), TLoadResult::NotAProgram);
  const std::string program = Loader.Tune.md5;
  ASSERT_EQ(Loader.LoadTuneFile((kTunes / "constructed_p00/dirty_cheater.p00").string(), 0),
            TLoadResult::NotAProgram);
  EXPECT_EQ(Loader.Tune.md5, program);
  const TBytes sid = ReadFileBytes(kTunes / "C64Music/MUSICIANS/S/Spider_Jerusalem/Dirty_Cheater.sid");
  EXPECT_EQ(program, Md5Of(TBytes(sid.begin() + 0x7E, sid.end())));
}

}  // namespace
