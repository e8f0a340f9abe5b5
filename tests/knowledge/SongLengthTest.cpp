#include <gtest/gtest.h>

#include "knowledge/SongLength.h"
#include "KnowledgeTestFiles.h"

namespace {

constexpr char kKey[] = "0123456789abcdef0123456789abcdef";

TEST(StringHash, RotatesLeftByTwoThenMixesInEachByte) {
  // "ab": (0 rol 2) ^ 0x61 = 0x61, then (0x61 rol 2) ^ 0x62 = 0x184 ^ 0x62.
  EXPECT_EQ(TStringHash::HashOf("ab"), 0x1E6u);
  // Bits leaving at the top come back at the bottom.
  EXPECT_EQ(TStringHash::HashOf(std::string(17, '\xC0')) >> 30, TStringHash::HashOf(std::string(16, '\xC0')) & 3u);
}

TEST(HashedStringList, KeysSharingABucketAreAllFoundAndTheLatestDuplicateWins) {
  // Find two keys that land in the same one of the 1019 buckets.
  std::string first = "k0", second;
  for (int i = 1; second.empty(); ++i) {
    const std::string candidate = "k" + std::to_string(i);
    if (TStringHash::HashOf(candidate) % 1019 == TStringHash::HashOf(first) % 1019) second = candidate;
  }
  THashedStringList list;
  list.Add(first + "=one");
  list.Add(second + "=two");
  list.Add("bare line");
  list.Add(first + "=three");
  EXPECT_EQ(list.Value(list.IndexOf(first)), "three");
  EXPECT_EQ(list.Value(list.IndexOf(second)), "two");
  EXPECT_EQ(list.Value(list.IndexOf("bare line")), "bare line");
  EXPECT_EQ(list.IndexOf("k"), -1);
  EXPECT_EQ(list.Count(), 4);
}

TEST(SongLengths, LinesAndLookups) {
  TSongLengthDatabase database;
  database.ReadText(std::string("[Database]\r\n; /MUSICIANS/X.sid\r\n") +
                        "11111111111111111111111111111111=0:16\r\n"
                        "11111111111111111111111111111111=1:00\r\n"
                        "2222222222222222222222222222222A=3:25 1:02(G) 0:45\n"
                        "33333333333333333333333333333333=2:10(M)\n"
                        "44444444444444444444444444444444=\n" +
                        kKey + "\n" +  // a bare fingerprint is no entry
                        "55555555555555555555555555555555 = 1:11\r" +
                        "; 66666666666666666666666666666666=6:66\n",
                    TSongLengthKey::Fingerprint);
  const struct {
    std::string key;
    int song;
    const char* length;
  } cases[] = {
      {"11111111111111111111111111111111", 1, "1:00"},
      {"2222222222222222222222222222222a", 1, "3:25"},
      {"2222222222222222222222222222222a", 2, "1:02"},
      {"2222222222222222222222222222222a", 3, "0:45"},
      {"2222222222222222222222222222222a", 7, "0:45"},
      {"2222222222222222222222222222222a", 0, "3:25"},
      {"2222222222222222222222222222222A", 1, ""},  // keys are stored lowered, compared exactly
      {"33333333333333333333333333333333", 1, "2:10"},
      {"44444444444444444444444444444444", 1, ""},
      {kKey, 1, ""},
      {"55555555555555555555555555555555 ", 1, ""},  // blanks around "=" stay: " 1:11"
      {"55555555555555555555555555555555 ", 2, "1:11"},
      {"66666666666666666666666666666666", 1, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(database.GetSongLength(c.key, c.song), c.length) << c.key << " song " << c.song;
  EXPECT_EQ(database.Count(), 6);
}

TEST(SongLengths, NewerFileShowsWholeSeconds) {
  TSongLengthDatabase database;
  database.ReadText(std::string(kKey) + "=3:25.123 0:59.999 12:00\n", TSongLengthKey::WholeFile);
  EXPECT_EQ(database.Keys(), TSongLengthKey::WholeFile);
  EXPECT_EQ(database.GetSongLength(kKey, 1), "3:25");
  EXPECT_EQ(database.GetSongLength(kKey, 2), "0:59");
  EXPECT_EQ(database.GetSongLength(kKey, 3), "12:00");
}

TEST(SongLengths, FindsTheFileFromEachFormOfTheDirectorySetting) {
  TScratchFolder scratch;
  scratch.Write("HVSC/C64Music/DOCUMENTS/Songlengths.txt", std::string(kKey) + "=1:23\r\n");
  const std::string settings[] = {scratch / "HVSC", scratch / "HVSC/", scratch / "HVSC/C64Music",
                                  scratch / "HVSC/C64Music/DOCUMENTS"};
  for (const std::string& setting : settings) {
    TSongLengthDatabase database;
    EXPECT_TRUE(database.Load(setting)) << setting;
    EXPECT_EQ(database.GetSongLength(kKey, 1), "1:23") << setting;
  }
  TSongLengthDatabase database;
  database.ReadText(std::string(kKey) + "=9:99\n", TSongLengthKey::Fingerprint);
  for (const std::string& setting : {std::string(), std::string("/"), scratch / "nowhere"}) {
    EXPECT_FALSE(database.Load(setting)) << setting;
    EXPECT_EQ(database.Count(), 0) << "a failed load leaves the database empty";
  }
}

TEST(SongLengths, RealDatabaseGivesTheListedLengthOfEverySong) {
  SKIP_WITHOUT_TESTDATA("tunes/INDEX.tsv");
  SKIP_WITHOUT_TESTDATA("hvsc/hvsc69/DOCUMENTS/Songlengths.txt");
  TSongLengthDatabase hvsc69, hvsc49;
  ASSERT_TRUE(hvsc69.Load(TestData("hvsc/hvsc69")));
  ASSERT_TRUE(hvsc49.Load(TestData("hvsc/hvsc49/DOCUMENTS")));
  EXPECT_EQ(hvsc69.Count(), 50705);
  int checked = 0;
  for (const auto& row : TuneIndex()) {
    const TSongLengthDatabase& database = row.at("release") == "HVSC#49" ? hvsc49 : hvsc69;
    const std::vector<std::string> lengths = SplitAtBlanks(row.at("songlengths_txt"));
    ASSERT_EQ(lengths.size(), size_t(std::stoi(row.at("songs")))) << row.at("file");
    for (size_t song = 1; song <= lengths.size(); ++song) {
      const std::string expected = lengths[song - 1].substr(0, lengths[song - 1].find('('));
      EXPECT_EQ(database.GetSongLength(row.at("md5_old_fingerprint"), int(song)), expected)
          << row.at("file") << " song " << song;
    }
    ++checked;
  }
  EXPECT_EQ(checked, 42);
}

TEST(SongLengths, NewerReleaseIsKeyedByTheWholeFile) {
  SKIP_WITHOUT_TESTDATA("tunes/INDEX.tsv");
  SKIP_WITHOUT_TESTDATA("hvsc/hvsc69/DOCUMENTS/Songlengths.md5");
  TScratchFolder scratch;
  scratch.Link("C64Music/DOCUMENTS/Songlengths.md5", TestData("hvsc/hvsc69/DOCUMENTS/Songlengths.md5"));
  LoadSongLengths(scratch / "C64Music");
  ASSERT_EQ(SongLengths().Keys(), TSongLengthKey::WholeFile);
  EXPECT_EQ(SongLengths().Count(), 50705);
  for (const auto& row : TuneIndex()) {
    if (row.at("release") != "HVSC#69") continue;
    const std::string file = TestData("tunes/" + row.at("file"));
    EXPECT_EQ(WholeFileMd5(file), row.at("md5_full_file")) << row.at("file");
    const std::vector<std::string> lengths = SplitAtBlanks(row.at("songlengths_md5"));
    for (size_t song = 1; song <= lengths.size(); ++song) {
      EXPECT_EQ(GetSongLength(row.at("md5_old_fingerprint"), file, int(song)), lengths[song - 1])
          << row.at("file") << " song " << song;
    }
  }
  EXPECT_EQ(GetSongLength("", scratch / "missing.sid", 1), "");
  LoadSongLengths("");
}

TEST(SongLengths, OlderFileIsPreferredAndKeyedByFingerprint) {
  SKIP_WITHOUT_TESTDATA("hvsc/hvsc69/DOCUMENTS/Songlengths.txt");
  LoadSongLengths(TestData("hvsc/hvsc69"));
  ASSERT_EQ(SongLengths().Keys(), TSongLengthKey::Fingerprint);
  // Commando: the old key from the FAQ, whatever file name the caller passes.
  EXPECT_EQ(GetSongLength("a08c08aa1c74990c7d753e8c1d2f023e", "", 2), "1:02");
  LoadSongLengths("");
}

TEST(WholeFileMd5, BytesAndFileAgree) {
  TScratchFolder scratch;
  const std::string bytes("PSID\x00\x02", 6), path = scratch.Write("tune.sid", bytes);
  EXPECT_EQ(WholeFileMd5(reinterpret_cast<const uint8_t*>(bytes.data()), 6), WholeFileMd5(path));
  EXPECT_EQ(WholeFileMd5(reinterpret_cast<const uint8_t*>(""), 0), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(WholeFileMd5(scratch / "absent.sid"), "");
}

}  // namespace
