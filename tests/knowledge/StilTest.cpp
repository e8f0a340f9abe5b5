#include <gtest/gtest.h>

#include "knowledge/Stil.h"
#include "KnowledgeTestFiles.h"

namespace {

// Laid out as the real files are: a folder's tunes come before its sub-folders, which is not
// the order of sorted keys.
constexpr char kStil[] =
    "####\n# STIL header\n\n"
    "/MUSICIANS/A/Artist/\n"
    "COMMENT: Artist & friends.\n\n"
    "/MUSICIANS/A/Artist/Zed.sid\n"
    "  TITLE: Zed\n"
    "COMMENT: first line\n"
    "         second line\n\n"
    "/MUSICIANS/A/Artist/Sub/Alpha.sid\n"
    "  TITLE: Alpha\n\n"
    "/MUSICIANS/B/Band/Song.sid\n"
    "  TITLE: Song\n"
    "  \t \n"
    "/MUSICIANS/B/Band/Song.sid\n"
    " ARTIST: more\n\n"
    "/MUSICIANS/C/Last.sid\n"
    "  TITLE: Last";  // ends without an empty line

constexpr char kBugs[] =
    "# bug list\n\n"
    "/MUSICIANS/A/Artist/Zed.sid\n"
    "    BUG: Wrong note.\n"
    "(Reporter)\n\n"
    "/MUSICIANS/B/Band/Bugged.sid\n"
    "    BUG: Crashes.\n\n";

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
  const std::string comment = "COMMENT: Artist && friends.\r\n";
  const std::string entry = "  TITLE: Zed\r\nCOMMENT: first line\r\n         second line";
  const std::string bug = "    BUG: Wrong note.\r\n(Reporter)";
  const struct {
    bool global, stil, bugs;
    std::string expected;
  } cases[] = {
      {true, true, true, comment + entry + "\r\n" + bug},
      {false, true, true, entry + "\r\n" + bug},
      {true, false, true, comment + bug},
      {true, true, false, comment + entry},
      {false, false, false, ""},
  };
  for (const auto& c : cases) {
    Database.Options = TStilOptions{c.global, c.stil, c.bugs};
    EXPECT_EQ(Text("MUSICIANS/A/Artist/Zed.sid", true), c.expected) << c.global << c.stil << c.bugs;
    EXPECT_EQ(Text("MUSICIANS/A/Artist/Zed.sid", false), cases[0].expected) << "unfiltered shows all";
  }
}

TEST_F(StilTest, EntriesAndPathsAtTheEdges) {
  const struct {
    std::string tune;
    std::string expected;
  } cases[] = {
      {"MUSICIANS/B/Band/Bugged.sid", "    BUG: Crashes."},  // only in the bug list
      {"MUSICIANS/A/Artist/Other.sid", "COMMENT: Artist && friends.\r\n"},
      {"MUSICIANS/A/Artist/Sub/Alpha.sid", "  TITLE: Alpha"},  // no comment for the sub-folder
      {"MUSICIANS/B/Band/Song.sid", "  TITLE: Song ARTIST: more"},  // a repeated key extends
      {"MUSICIANS/C/Last.sid", "  TITLE: Last"},
      {"MUSICIANS/D/Unknown.sid", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(Text(c.tune), c.expected) << c.tune;
  EXPECT_EQ(Database.GetStilText(Scratch / "elsewhere/MUSICIANS/C/Last.sid", false), "");
  EXPECT_EQ(Database.GetStilText("/MUSICIANS/C/Last.sid", false), "") << "a path outside the root";
}

TEST_F(StilTest, FindsTheFilesFromEachFormOfTheDirectorySetting) {
  const struct {
    std::string setting, root;
  } cases[] = {
      {Scratch / "HVSC", Scratch / "HVSC/C64Music/"},
      {Scratch / "HVSC/C64Music/", Scratch / "HVSC/C64Music/"},
      {Scratch / "HVSC/C64Music/DOCUMENTS", Scratch / "HVSC/C64Music/"},
  };
  for (const auto& c : cases) {
    TStilDatabase database;
    ASSERT_TRUE(database.Load(c.setting)) << c.setting;
    EXPECT_EQ(database.Root(), c.root);
    EXPECT_EQ(database.Count(), 6);
  }
  EXPECT_FALSE(Database.Load(Scratch / "nowhere"));
  EXPECT_EQ(Database.Count(), 0);
  EXPECT_EQ(Database.Root(), Scratch / "HVSC/C64Music/") << "the root stays when nothing is found";
}

TEST(Stil, BugTextsStayEmptyWithoutABugList) {
  TScratchFolder scratch;
  scratch.Write("DOCUMENTS/STIL.txt", kStil);
  scratch.Write("BUGlist.txt", kBugs);  // not where the collection keeps it
  TStilDatabase database;
  ASSERT_TRUE(database.Load(scratch / ""));
  EXPECT_EQ(database.GetStilText(scratch / "MUSICIANS/A/Artist/Zed.sid", false),
            "COMMENT: Artist && friends.\r\n  TITLE: Zed\r\nCOMMENT: first line\r\n         second line");
  EXPECT_EQ(database.Find("/MUSICIANS/B/Band/Bugged.sid"), nullptr);
}

class RealStil : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(TestData("hvsc/hvsc69/DOCUMENTS/STIL.txt"))) GTEST_SKIP() << "no HVSC documents";
    // A collection as a user has it: the documents and the tunes under one C64Music folder.
    Scratch.Link("C64Music/DOCUMENTS", TestData("hvsc/hvsc69/DOCUMENTS"));
    for (const char* folder : {"MUSICIANS", "GAMES", "DEMOS"}) {
      Scratch.Link(std::string("C64Music/") + folder, TestData(std::string("tunes/C64Music/") + folder));
    }
    LoadStil(Scratch / "");
  }
  void TearDown() override { LoadStil(""); }

  TScratchFolder Scratch;
};

TEST_F(RealStil, EveryBugListEntryKeepsItsStilEntry) {
  std::ifstream bugList(TestData("hvsc/hvsc69/DOCUMENTS/BUGlist.txt"));
  std::ifstream stilFile(TestData("hvsc/hvsc69/DOCUMENTS/STIL.txt"));
  std::set<std::string> stilKeys;
  for (std::string line; std::getline(stilFile, line);) {
    if (line.starts_with('/')) stilKeys.insert(line);
  }
  int withBoth = 0, bugs = 0;
  for (std::string line; std::getline(bugList, line);) {
    if (!line.starts_with('/')) continue;
    ++bugs;
    const TSTILInfo* info = Stil().Find(line);
    ASSERT_NE(info, nullptr) << line;
    EXPECT_TRUE(info->BugText.starts_with("    BUG:")) << line;
    EXPECT_EQ(info->StilText.empty(), !stilKeys.count(line)) << line;
    withBoth += stilKeys.count(line) ? 1 : 0;
  }
  EXPECT_EQ(bugs, 32);
  EXPECT_EQ(withBoth, 20);
  EXPECT_EQ(Stil().Count(), int(stilKeys.size()) + bugs - withBoth);
}

TEST_F(RealStil, TextsOfCorpusTunes) {
  const std::string root = Stil().Root();
  EXPECT_EQ(GetStilText(root + "DEMOS/UNKNOWN/Wham.sid", false),
            "  TITLE: Do They Know It's Christmas?\r\n"
            " ARTIST: Midge Ure && Bob Geldof, performed by Band Aid\r\n"
            "    BUG: Has a lot of wrong sounds inside, obviously a bad rip.\r\n"
            "         Sounds bad from 2:12.\r\n"
            "(Ramos)");
  Stil().Options.ShowStilEntry = false;
  EXPECT_TRUE(GetStilText(root + "DEMOS/UNKNOWN/Wham.sid", true).starts_with("    BUG: Has a lot"));
  Stil().Options = TStilOptions{true, true, false};
  EXPECT_TRUE(GetStilText(root + "DEMOS/UNKNOWN/Wham.sid", true).ends_with("Band Aid"));
  Stil().Options = TStilOptions{};

  const std::string commando = GetStilText(root + "MUSICIANS/H/Hubbard_Rob/Commando.sid", true);
  EXPECT_TRUE(commando.starts_with("COMMENT: People have often stolen Hubbard's routine causing some tunes to be\r\n"));
  EXPECT_NE(commando.find("(RH).\r\nCOMMENT: \"There is an interesting story behind Commando."), std::string::npos);
  EXPECT_NE(commando.find("\r\n(#1)\r\n  TITLE: BGM1 [from the arcade game Commando] (0:00)\r\n"), std::string::npos);

  const std::string digital = GetStilText(root + "DEMOS/A-F/Digital_II.sid", true);
  EXPECT_TRUE(digital.starts_with("    BUG: Original has part of the samples")) << digital;
  EXPECT_TRUE(digital.ends_with("(iAN CooG)"));

  for (const auto& row : TuneIndex()) {
    if (row.at("release") != "HVSC#69") continue;
    const std::string file = root + row.at("file").substr(std::string("C64Music/").size());
    ASSERT_TRUE(std::filesystem::exists(file)) << file;
    const TSTILInfo* info = Stil().Find(row.at("hvsc_path"));
    EXPECT_EQ(info != nullptr && !info->StilText.empty(), row.at("in_STIL") == "yes") << file;
    EXPECT_EQ(info != nullptr && !info->BugText.empty(), row.at("in_BUGlist") == "yes") << file;
    if (row.at("in_STIL") == "yes") {
      EXPECT_NE(GetStilText(file, false), "") << file;
    }
  }
}

}  // namespace
