#include <gtest/gtest.h>

#include "TestFiles.h"
#include "knowledge/SongLength.h"

namespace {

constexpr char kKey[] = "0123456789abcdef0123456789abcdef";

TEST(HashedStringList, HashChainsAndDuplicates) {
  // "ab": (0 rol 2) ^ 0x61 = 0x61, then (0x61 rol 2) ^ 0x62.
  EXPECT_EQ(TStringHash::HashOf("ab"), 0x1E6u);
  EXPECT_EQ(TStringHash::HashOf(std::string(17, '\xC0')) & 3u, 3u) << "bits rotate round";
  std::string first = "k0", second;  // two keys sharing one of the 1019 buckets
  for (int i = 1; second.empty(); ++i) {
    const std::string key = "k" + std::to_string(i);
    if (TStringHash::HashOf(key) % 1019 == TStringHash::HashOf(first) % 1019) second = key;
  }
  THashedStringList list;
  for (const std::string& line : {first + "=one", second + "=two", std::string("bare line"), first + "=three"}) {
    list.Add(line);
  }
  EXPECT_EQ(list.Value(list.IndexOf(first)), "three");
  EXPECT_EQ(list.Value(list.IndexOf(second)), "two");
  EXPECT_EQ(list.Value(list.IndexOf("bare line")), "bare line");
  EXPECT_EQ(list.IndexOf("k"), -1);
}

TEST(SongLengths, LinesAndLookups) {
  TSongLengthDatabase database;
  database.ReadText(std::string("[Database]\r\n; /MUSICIANS/X.sid\r\n") +
                        "11111111111111111111111111111111=0:16\r\n"
                        "11111111111111111111111111111111=1:00\r\n"
                        "2222222222222222222222222222222A=3:25 1:02(G) 0:45\n"
                        "33333333333333333333333333333333=2:10(M)\n"
                        "44444444444444444444444444444444=\n" +
                        kKey + "\n" + "55555555555555555555555555555555 = 1:11\r",
                    TSongLengthKey::Fingerprint);
  const struct {
    std::string key;
    int song;
    const char* length;
  } cases[] = {
      {"11111111111111111111111111111111", 1, "1:00"}, {"2222222222222222222222222222222a", 1, "3:25"},
      {"2222222222222222222222222222222a", 2, "1:02"}, {"2222222222222222222222222222222a", 3, "0:45"},
      {"2222222222222222222222222222222a", 7, "0:45"}, {"2222222222222222222222222222222a", 0, "3:25"},
      {"2222222222222222222222222222222A", 1, ""},     {"33333333333333333333333333333333", 1, "2:10"},
      {"44444444444444444444444444444444", 1, ""},     {kKey, 1, ""},
      {"55555555555555555555555555555555 ", 1, ""},  // the value " 1:11" keeps its blank
      {"55555555555555555555555555555555 ", 2, "1:11"},
  };
  for (const auto& c : cases) EXPECT_EQ(database.GetSongLength(c.key, c.song), c.length) << c.key << " #" << c.song;
  EXPECT_EQ(database.Count(), 6);
  database.ReadText(std::string(kKey) + "=3:25.123 0:59.999 12:00\n", TSongLengthKey::WholeFile);
  EXPECT_EQ(database.GetSongLength(kKey, 1) + database.GetSongLength(kKey, 2), "3:250:59");
}

TEST(SongLengths, FindsTheFileFromEachFormOfTheDirectorySetting) {
  TScratchFolder scratch;
  scratch.Write("HVSC/C64Music/DOCUMENTS/Songlengths.txt", std::string(kKey) + "=1:23\r\n");
  TSongLengthDatabase database;
  for (const char* setting : {"HVSC", "HVSC/", "HVSC/C64Music", "HVSC/C64Music/DOCUMENTS"}) {
    EXPECT_TRUE(database.Load(scratch / setting)) << setting;
    EXPECT_EQ(database.GetSongLength(kKey, 1), "1:23") << setting;
  }
  for (const std::string& setting : {std::string(), std::string("/"), scratch / "nowhere"}) {
    EXPECT_FALSE(database.Load(setting)) << setting;
    EXPECT_EQ(database.Count(), 0) << "a failed load leaves the database empty";
  }
}

TEST(SongLengths, RealDatabasesGiveTheListedLengthOfEverySong) {
  SKIP_WITHOUT(TestData("tunes/INDEX.tsv"));
  SKIP_WITHOUT(TestData("hvsc/hvsc69/DOCUMENTS/Songlengths.md5"));
  TSongLengthDatabase hvsc49, hvsc69;
  ASSERT_TRUE(hvsc49.Load(TestData("hvsc/hvsc49/DOCUMENTS")));
  ASSERT_TRUE(hvsc69.Load(TestData("hvsc/hvsc69")));
  EXPECT_EQ(hvsc69.Keys(), TSongLengthKey::Fingerprint) << "Songlengths.txt comes first";
  // The newer file alone, as current releases ship it.
  TScratchFolder scratch;
  scratch.Link("C64Music/DOCUMENTS/Songlengths.md5", TestData("hvsc/hvsc69/DOCUMENTS/Songlengths.md5"));
  LoadSongLengths(scratch / "C64Music");
  EXPECT_EQ(SongLengths().Keys(), TSongLengthKey::WholeFile);
  EXPECT_EQ(SongLengths().Count(), 50705);
  int tunes = 0;
  for (const auto& row : TuneIndex()) {
    const std::string file = TestData("tunes/" + row.at("file")), &key = row.at("md5_old_fingerprint");
    const bool isHvsc69 = row.at("release") == "HVSC#69";
    const std::vector<std::string> lengths = SplitAtBlanks(row.at("songlengths_txt"));
    ASSERT_EQ(lengths.size(), size_t(std::stoi(row.at("songs")))) << file;
    for (int song = 1; song <= int(lengths.size()); ++song) {
      const std::string length = lengths[song - 1].substr(0, lengths[song - 1].find('('));
      EXPECT_EQ((isHvsc69 ? hvsc69 : hvsc49).GetSongLength(key, song), length) << file << song;
      if (isHvsc69) {
        EXPECT_EQ(GetSongLength(key, file, song), SplitAtBlanks(row.at("songlengths_md5"))[song - 1]) << file << song;
      }
    }
    EXPECT_EQ(WholeFileMd5(file), row.at("md5_full_file"));
    ++tunes;
  }
  EXPECT_EQ(tunes, 42);
  EXPECT_EQ(WholeFileMd5(scratch / "absent.sid"), "");
  EXPECT_EQ(GetSongLength(kKey, scratch / "absent.sid", 1), "");
  LoadSongLengths("");
}

}  // namespace
