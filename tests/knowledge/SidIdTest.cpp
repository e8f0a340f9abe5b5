#include <gtest/gtest.h>

#include <cstdlib>

#include "knowledge/SidId.h"
#include "knowledge/TextFile.h"
#include "settings/Preferences.h"
#include "TestFiles.h"

namespace {

using TNames = std::vector<std::string>;

std::vector<uint8_t> Bytes(size_t size, std::initializer_list<std::pair<size_t, std::vector<uint8_t>>> runs) {
  std::vector<uint8_t> bytes(size, 0xEA);
  for (const auto& [offset, run] : runs) std::copy(run.begin(), run.end(), bytes.begin() + long(offset));
  return bytes;
}

bool Matches(const char* line, const std::vector<uint8_t>& bytes) {
  return TSignatureHolder::FromLine(line).Matches(bytes.data(), bytes.size());
}

TEST(SignatureHolder, TokensOfALine) {
  const struct {
    const char* line;
    std::vector<uint16_t> tokens;
  } cases[] = {
      {"A9 00 8d ?? and \t d4 END", {0xA9, 0x00, 0x8D, TokenWildcard, TokenAnd, 0xD4, TokenEnd}},
      {"1G G1 ?A", {0x01, 0x00, 0x00}},
      {"1000 2000 FFFF 12345", {TokenWildcard, TokenAnd, TokenEnd, 0x2345}},
      {"  ", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(TSignatureHolder::FromLine(c.line).Signature(), c.tokens) << c.line;
}

TEST(SignatureHolder, MatchingParts) {
  const std::vector<uint8_t> a9 = {0xA9, 0x00}, sta = {0x8D, 0x18, 0xD4};
  const struct {
    const char* line;
    std::vector<uint8_t> bytes;
    bool matches;
  } cases[] = {
      {"A9 00 8D ?? D4 END", Bytes(200, {{100, {0xA9, 0x00, 0x8D, 0x18, 0xD4}}}), true},
      {"A9 00 8D ?? D4 END", Bytes(200, {{0, {0xA9, 0x00, 0x8D, 0x18, 0xD4}}}), true},
      {"A9 00 8D ?? D4 END", Bytes(200, {{100, {0xA9, 0x00, 0x8D, 0x18, 0xD5}}}), false},
      // The attempt spends one token of its budget per byte, and END needs one more.
      {"A9 00 8D ?? D4 END", Bytes(200, {{194, {0xA9, 0x00, 0x8D, 0x18, 0xD4}}}), true},
      {"A9 00 8D ?? D4 END", Bytes(200, {{195, {0xA9, 0x00, 0x8D, 0x18, 0xD4}}}), false},
      {"?? A9 END", Bytes(4, {{1, {0xA9}}}), true},
      {"A9 00 AND 8D 18 D4 END", Bytes(200, {{10, a9}, {150, sta}}), true},
      {"A9 00 AND 8D 18 D4 END", Bytes(200, {{10, a9}, {12, sta}}), true},
      {"A9 00 AND 8D 18 D4 END", Bytes(200, {{150, a9}, {10, sta}}), false},
      {"A9 00 AND 8D 18 D4 AND 60 END", Bytes(200, {{10, a9}, {50, sta}, {90, {0x60}}}), true},
      {"A9 00 AND 8D 18 D4 AND 60 END", Bytes(200, {{10, a9}, {50, sta}, {30, {0x60}}}), false},
      // A later part is tried again from one byte after where the earlier part began.
      {"A9 00 AND 00 8D END", Bytes(10, {{0, {0xA9, 0x00, 0x8D}}}), true},
      {"A9 00 8D", Bytes(10, {{2, {0xA9, 0x00, 0x8D}}}), false},  // no END, no match
      {"A9 00 AND", Bytes(10, {{2, {0xA9, 0x00, 0x8D}}}), false},
      {"END", Bytes(1, {}), true},
      {"END", Bytes(0, {}), false},
  };
  for (const auto& c : cases) EXPECT_EQ(Matches(c.line, c.bytes), c.matches) << c.line;
}

TEST(SignatureList, NamesAndSignatureLines) {
  TSignatureList list;
  list.ReadText(
      "A9 00 END\r\n"  // before any name
      "Two_Words\r\n"
      "A9 00 END\r\n"
      "ab\r\n"  // too short to be anything
      "  8d 18 d4 END  \r\n"
      "Lone\n"
      "No EN\n"  // the third character is a blank: a signature line
      "___\n"
      "60 END\n");
  ASSERT_EQ(list.Entries().size(), 4u);
  EXPECT_EQ(list.Entries()[0].Name, "Two Words");
  EXPECT_EQ(list.Entries()[1].Name, "Two Words");
  EXPECT_EQ(list.Entries()[1].Holder->Signature(), (std::vector<uint16_t>{0x8D, 0x18, 0xD4, TokenEnd}));
  EXPECT_EQ(list.Entries()[2].Name, "Lone");
  EXPECT_EQ(list.Entries()[2].Holder->Signature(), (std::vector<uint16_t>{0x00, 0x0E}));
  EXPECT_EQ(list.Entries()[3].Name, "   ");
}

TEST(SidId, ReportsEachNameOnceSortedAndOnlyTheBytesRead) {
  TSignatureList list;
  list.ReadText("Zeta\n60 END\n01 02 END\nalpha\n02 END\n___\n01 END\nbeta\n01 02 00 00 END\n");
  TScratchFolder scratch;
  const std::string file = scratch.Write("tune.prg", std::string("\x60\x01\x02\x03\x04\x05\x06\x07\x01\x02", 10));
  TSidId scanner(list);
  EXPECT_EQ(scanner.ScanFile(file), (TNames{"alpha", "Zeta"}));
  EXPECT_EQ(scanner.ScanFile(scratch / "absent.prg"), TNames{});
  EXPECT_TRUE(list.LoadFromFile(file)) << "any file loads; this one holds no names";
  EXPECT_FALSE(list.LoadFromFile(scratch / "absent.cfg"));
  EXPECT_TRUE(list.Entries().empty());
  EXPECT_EQ(scanner.ScanFile(file), TNames{});
}

TEST(SidId, ConfigurationFileFromSettingEnvironmentOrProgramFolder) {
  TScratchFolder scratch;
  setenv("VEXLOR_REGISTRY", (scratch / "registry.ini").c_str(), 1);
  setenv("SIDIDCFG", " /env/sidid.cfg", 1);
  EXPECT_EQ(ResolveSidIdConfigFile(" /set/sidid.cfg"), " /set/sidid.cfg");
  EXPECT_EQ(ResolveSidIdConfigFile(" \t"), " /env/sidid.cfg");
  setenv("SIDIDCFG", "  ", 1);
  EXPECT_TRUE(ResolveSidIdConfigFile("").ends_with("/knowledge/sidid.cfg")) << "beside the test program";

  setenv("SIDIDCFG", scratch.Write("env.cfg", "One\n01 END\nTwo\n02 END\n").c_str(), 1);
  LoadSignatures();
  EXPECT_EQ(Signatures().Entries().size(), 2u);
  TPreferences().SetSidIDConfigFile(scratch.Write("set.cfg", "Three\n03 END\n"));
  ReloadSignatures();
  ASSERT_EQ(Signatures().Entries().size(), 1u);
  EXPECT_EQ(Signatures().Entries()[0].Name, "Three");
  TPreferences().SetSidIDConfigFile(scratch / "missing.cfg");
  ReloadSignatures();
  EXPECT_TRUE(Signatures().Entries().empty());
  TPreferences().DeleteSidIDConfigFile();
  LoadSignatures();
  EXPECT_EQ(Signatures().Entries().size(), 2u);
  Signatures().Clear();
  unsetenv("SIDIDCFG");
  unsetenv("VEXLOR_REGISTRY");
}

class RealSignatures : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(TestData("sidid/sidid.cfg"))) GTEST_SKIP() << "no sidid.cfg";
    ASSERT_TRUE(List.LoadFromFile(TestData("sidid/sidid.cfg")));
  }
  TSignatureList List;
};

// 913 signatures of 767 players; each case checked by hand: the signature's bytes were found in the file (offset in parentheses).
TEST_F(RealSignatures, NamesThePlayersOfCorpusTunes) {
  const struct {
    const char* file;
    TNames players;
  } cases[] = {
      {"C64Music/MUSICIANS/H/Hubbard_Rob/Commando.sid", {"Rob Hubbard"}},  // 2C ?? ?? 30 .. ($461)
      {"C64Music/MUSICIANS/W/Wyndex/Splatform_256_bytes.sid", {"256bytes/Wyndex"}},  // ($11A)
      {"C64Music/GAMES/S-Z/Telengard_BASIC.sid", {"Basic Program"}},  // "=54272" in BASIC ($5DC)
      {"C64Music/GAMES/A-F/Ball.sid", {"(MusicMaster 1)", "Soundmonitor"}},  // ($2B06, $2426)
      {"prg/Dirty_Cheater_main.prg", {"GoatTracker V2.x"}},  // BD ?? ?? D0 .. ($166)
      {"prg/Grillende_Zirpe.prg", {"Crunched:Exomizer"}},
      {"C64Music/MUSICIANS/C/Chiummo_Gaetano/Hope_3SID.sid", {"(SidWizard 3SID)", "Hermit/SidWizard V1.x"}},
      {"C64Music/MUSICIANS/D/Daglish_Ben/Last_Ninja.sid", {"Anthony Lees", "Antony Crowther V3"}},
      {"C64Music/DEMOS/A-F/Digital_II.sid", {}},
  };
  EXPECT_EQ(List.Entries().size(), 913u);
  TSidId scanner(List);
  for (const auto& c : cases) EXPECT_EQ(scanner.ScanFile(TestData(std::string("tunes/") + c.file)), c.players) << c.file;
}

TEST_F(RealSignatures, FindsThePlayerInAMemoryImage) {
  std::string program;
  ASSERT_TRUE(ReadFileBytes(TestData("tunes/prg/Dirty_Cheater_main.prg"), program));
  std::vector<uint8_t> memory(65536, 0);
  const size_t loadAddress = uint8_t(program[0]) | uint8_t(program[1]) << 8;
  std::copy(program.begin() + 2, program.end(), memory.begin() + long(loadAddress));
  TSidId scanner(List);
  EXPECT_EQ(scanner.ScanMemory(memory.data()), TNames{"GoatTracker V2.x"});
  std::fill(memory.begin(), memory.end(), 0);
  EXPECT_EQ(scanner.ScanMemory(memory.data()), TNames{});
}

}  // namespace
