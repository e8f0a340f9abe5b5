#include <gtest/gtest.h>

#include <set>

#include "TestFiles.h"
#include "knowledge/Stil.h"

namespace {

// Laid out as the real files are: a folder's tunes before its sub-folders, unlike sorted keys.
constexpr char kStil[] =
    "####\n# STIL header\n\n/MUSICIANS/A/Artist/\nCOMMENT: Artist & friends.\n\n"
    "/MUSICIANS/A/Artist/Zed.sid\n  TITLE: Zed\nCOMMENT: first line\n         second line\n\n"
    "/MUSICIANS/A/Artist/Sub/Alpha.sid\n  TITLE: Alpha\n\n"
    "/MUSICIANS/B/Band/Song.sid\n  TITLE: Song\n  \t \n/MUSICIANS/B/Band/Song.sid\n ARTIST: more\n\n"
    "/MUSICIANS/C/Last.sid\n  TITLE: Last";  // ends without an empty line
constexpr char kBugs[] =
    "# bug list\n\n/MUSICIANS/A/Artist/Zed.sid\n    BUG: Wrong note.\n(Reporter)\n\n"
    "/MUSICIANS/B/Band/Bugged.sid\n    BUG: Crashes.\n\n";

class StilTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Scratch.Write("HVSC/C64Music/DOCUMENTS/STIL.txt", kStil);
    Scratch.Write("HVSC/C64Music/DOCUMENTS/BUGlist.txt", kBugs);
    ASSERT_TRUE(Database.Load(Scratch / "HVSC"));
  }
  std::string Text(const std::string& tune, bool filtered = false) {
    return Database.GetStilText(Database.Root() + tune, filtered);
  }

  TScratchFolder Scratch;
  TStilDatabase Database;
};

TEST_F(StilTest, CombinesCommentEntryAndBugsAsTheOptionsSay) {
  const std::string comment = "COMMENT: Artist && friends.\r\n", bug = "    BUG: Wrong note.\r\n(Reporter)";
  const std::string entry = "  TITLE: Zed\r\nCOMMENT: first line\r\n         second line";
  const struct {
    TStilOptions options;
    std::string expected;
  } cases[] = {
      {{true, true, true}, comment + entry + "\r\n" + bug}, {{false, true, true}, entry + "\r\n" + bug},
      {{true, false, true}, comment + bug},                 {{true, true, false}, comment + entry},
      {{false, false, false}, ""},
  };
  for (const auto& c : cases) {
    Database.Options = c.options;
    EXPECT_EQ(Text("MUSICIANS/A/Artist/Zed.sid", true), c.expected);
    EXPECT_EQ(Text("MUSICIANS/A/Artist/Zed.sid", false), cases[0].expected) << "unfiltered shows all";
  }
}

TEST_F(StilTest, EntriesAndPathsAtTheEdges) {
  const struct {
    std::string tune, expected;
  } cases[] = {
      {"MUSICIANS/B/Band/Bugged.sid", "    BUG: Crashes."},  // only in the bug list
      {"MUSICIANS/A/Artist/Other.sid", "COMMENT: Artist && friends.\r\n"},
      {"MUSICIANS/A/Artist/Sub/Alpha.sid", "  TITLE: Alpha"},
      {"MUSICIANS/B/Band/Song.sid", "  TITLE: Song ARTIST: more"},  // a repeated key extends
      {"MUSICIANS/C/Last.sid", "  TITLE: Last"},
      {"MUSICIANS/D/Unknown.sid", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(Text(c.tune), c.expected) << c.tune;
  EXPECT_EQ(Database.GetStilText("/MUSICIANS/C/Last.sid", false), "") << "outside the root";
  for (const char* setting : {"HVSC/C64Music/", "HVSC/C64Music/DOCUMENTS"}) {
    TStilDatabase database;
    ASSERT_TRUE(database.Load(Scratch / setting));
    EXPECT_EQ(database.Root(), Scratch / "HVSC/C64Music/");
    EXPECT_EQ(database.Count(), 6);
  }
  EXPECT_FALSE(Database.Load(Scratch / "nowhere"));
  EXPECT_EQ(Database.Count(), 0);
  EXPECT_EQ(Database.Root(), Scratch / "HVSC/C64Music/") << "the root stays when nothing is found";
  std::filesystem::remove(Scratch / "HVSC/C64Music/DOCUMENTS/BUGlist.txt");
  ASSERT_TRUE(Database.Load(Scratch / "HVSC"));
  EXPECT_EQ(Text("MUSICIANS/A/Artist/Zed.sid").find("BUG"), std::string::npos);
  EXPECT_EQ(Database.Find("/MUSICIANS/B/Band/Bugged.sid"), nullptr);
}

// The collection, or the tune, reached through a symbolic link finds the same texts.
TEST_F(StilTest, LinkedPathsFindTheSameTexts) {
  const std::string tune = "C64Music/MUSICIANS/A/Artist/Zed.sid", expected = Text("MUSICIANS/A/Artist/Zed.sid");
  ASSERT_NE(expected, "");
  Scratch.Link("Linked", Scratch / "HVSC");
  EXPECT_EQ(Database.GetStilText(Scratch / ("Linked/" + tune), false), expected);
  EXPECT_EQ(Database.GetStilText(Scratch / "Linked/Elsewhere.sid", false), "");

  TStilDatabase throughLink;
  ASSERT_TRUE(throughLink.Load(Scratch / "Linked"));
  EXPECT_EQ(throughLink.GetStilText(Scratch / ("HVSC/" + tune), false), expected);
  EXPECT_EQ(throughLink.GetStilText(Scratch / ("Linked/" + tune), false), expected);
}

class RealStil : public ::testing::Test {
 protected:
  void SetUp() override {
    SKIP_WITHOUT(TestData("hvsc/hvsc69/DOCUMENTS/STIL.txt"));
    // A collection as a user has it: the documents and the tunes under one C64Music folder.
    Scratch.Link("C64Music/DOCUMENTS", TestData("hvsc/hvsc69/DOCUMENTS"));
    for (const std::string folder : {"MUSICIANS", "GAMES", "DEMOS"}) {
      Scratch.Link("C64Music/" + folder, TestData("tunes/C64Music/" + folder));
    }
    LoadStil(Scratch / "");
  }
  void TearDown() override { LoadStil(""); }

  TScratchFolder Scratch;
};

TEST_F(RealStil, EveryBugListEntryKeepsItsStilEntry) {
  std::ifstream stilFile(TestData("hvsc/hvsc69/DOCUMENTS/STIL.txt"));
  std::set<std::string> stilKeys;
  for (std::string line; std::getline(stilFile, line);) {
    if (line.starts_with('/')) stilKeys.insert(line);
  }
  std::ifstream bugList(TestData("hvsc/hvsc69/DOCUMENTS/BUGlist.txt"));
  int bugs = 0, withBoth = 0;
  for (std::string line; std::getline(bugList, line);) {
    if (!line.starts_with('/')) continue;
    const TSTILInfo* info = Stil().Find(line);
    ASSERT_NE(info, nullptr) << line;
    EXPECT_TRUE(info->BugText.starts_with("    BUG:")) << line;
    EXPECT_EQ(info->StilText.empty(), !stilKeys.count(line)) << line;
    ++bugs;
    withBoth += int(stilKeys.count(line));
  }
  EXPECT_EQ(bugs, 32);
  EXPECT_EQ(withBoth, 20);
  EXPECT_EQ(Stil().Count(), int(stilKeys.size()) + bugs - withBoth);
}

TEST_F(RealStil, TextsOfCorpusTunes) {
  const std::string root = Stil().Root(), wham = root + "DEMOS/UNKNOWN/Wham.sid";
  EXPECT_EQ(GetStilText(wham, false),
            "  TITLE: Do They Know It's Christmas?\r\n ARTIST: Midge Ure && Bob Geldof, performed by Band Aid\r\n"
            "    BUG: Has a lot of wrong sounds inside, obviously a bad rip.\r\n         Sounds bad from 2:12.\r\n"
            "(Ramos)");
  Stil().Options = TStilOptions{true, false, true};
  EXPECT_TRUE(GetStilText(wham, true).starts_with("    BUG: Has a lot"));
  Stil().Options = TStilOptions{};
  const std::string commando = GetStilText(root + "MUSICIANS/H/Hubbard_Rob/Commando.sid", true);
  EXPECT_TRUE(commando.starts_with("COMMENT: People have often stolen Hubbard's routine causing some tunes to be\r\n"));
  EXPECT_NE(commando.find("(RH).\r\nCOMMENT: \"There is an interesting story behind Commando."), std::string::npos);
  EXPECT_NE(commando.find("\r\n(#1)\r\n  TITLE: BGM1 [from the arcade game Commando] (0:00)\r\n"), std::string::npos);
  const std::string digital = GetStilText(root + "DEMOS/A-F/Digital_II.sid", true);
  EXPECT_TRUE(digital.starts_with("    BUG: Original has part of the samples") && digital.ends_with("(iAN CooG)"));

  for (const auto& row : TuneIndex()) {
    if (row.at("release") != "HVSC#69") continue;
    const std::string file = root + row.at("file").substr(std::string("C64Music/").size());
    ASSERT_TRUE(std::filesystem::exists(file)) << file;
    const TSTILInfo* info = Stil().Find(row.at("hvsc_path"));
    EXPECT_EQ(info && !info->StilText.empty(), row.at("in_STIL") == "yes") << file;
    EXPECT_EQ(info && !info->BugText.empty(), row.at("in_BUGlist") == "yes") << file;
    if (info) {
      EXPECT_NE(GetStilText(file, false), "") << file;
    }
  }
}

}  // namespace
