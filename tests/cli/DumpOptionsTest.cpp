// The command line: what it accepts, and that everything doubtful is refused with a reason.
#include <gtest/gtest.h>

#include "cli/DumpOptions.h"

namespace {

TParsedOptions Parse(std::initializer_list<std::string_view> arguments) {
  return ParseDumpOptions(std::vector<std::string_view>(arguments));
}

}  // namespace

TEST(DumpOptions, ReadsEveryTuneOption) {
  const TParsedOptions parsed = Parse({"tune.sid", "--song", "3", "--seconds", "2.5", "--ntsc", "--frames",
                                       "--hvsc", "/hvsc", "--sidid", "sidid.cfg"});
  ASSERT_TRUE(parsed.Options) << parsed.Error;
  const TDumpOptions& options = *parsed.Options;
  EXPECT_EQ(options.File, "tune.sid");
  EXPECT_EQ(options.Song, 3);
  EXPECT_DOUBLE_EQ(options.Seconds, 2.5);
  EXPECT_TRUE(options.Ntsc);
  EXPECT_EQ(options.Output, TDumpOutput::Frames);
  EXPECT_EQ(options.HvscDirectory, "/hvsc");
  EXPECT_EQ(options.SidIdFile, "sidid.cfg");
  EXPECT_FALSE(options.RawAddress);
}

TEST(DumpOptions, ReadsTheRawMode) {
  const TParsedOptions parsed = Parse({"cpu.bin", "--raw", "$0200", "--pc", "0x0210", "--stop", "024b", "--peek", "B"});
  ASSERT_TRUE(parsed.Options) << parsed.Error;
  EXPECT_EQ(parsed.Options->RawAddress, 0x0200);
  EXPECT_EQ(parsed.Options->StartAddress, 0x0210);
  EXPECT_EQ(parsed.Options->StopAddress, 0x024B);
  EXPECT_EQ(parsed.Options->PeekAddress, 0x000B);
}

TEST(DumpOptions, ReadsTheAudioOptions) {
  const TParsedOptions parsed = Parse({"tune.sid", "--audio", "out.flac", "--model", "8580", "--rate", "96000"});
  ASSERT_TRUE(parsed.Options) << parsed.Error;
  EXPECT_EQ(parsed.Options->Output, TDumpOutput::Audio);
  EXPECT_EQ(parsed.Options->AudioFile, "out.flac");
  EXPECT_EQ(parsed.Options->Model, 8580);
  EXPECT_EQ(parsed.Options->Rate, 96000);
  EXPECT_FALSE(Parse({"tune.sid", "--audio", "out.wav"}).Options->Model) << "the header decides";
}

TEST(DumpOptions, RefusesBadCommandLines) {
  const std::vector<std::vector<std::string_view>> refused = {
      {},
      {"--frames"},
      {"a.sid", "b.sid"},
      {"a.sid", "--loud"},
      {"a.sid", "-x"},
      {"a.sid", "--song"},
      {"a.sid", "--song", "0"},
      {"a.sid", "--song", "256"},
      {"a.sid", "--song", "3x"},
      {"a.sid", "--song", "-1"},
      {"a.sid", "--seconds", "0"},
      {"a.sid", "--seconds", "-2"},
      {"a.sid", "--seconds", "nan"},
      {"a.sid", "--seconds", "inf"},
      {"a.sid", "--seconds", "1e9"},
      {"a.sid", "--seconds", ""},
      {"a.sid", "--frames", "--writes"},
      {"a.sid", "--screen", "--frames"},
      {"a.sid", "--peek", "0400"},
      {"a.bin", "--raw", "10000"},
      {"a.bin", "--raw", "$"},
      {"a.bin", "--raw", "0400", "--song", "2"},
      {"a.bin", "--raw", "0400", "--frames"},
      {"a.bin", "--raw", "0400", "--pc", "zz"},
      {"a.bin", "--raw", "0400", "--audio", "x.wav"},
      {"a.sid", "--audio", "x.wav", "--frames"},
      {"a.sid", "--audio", ""},
      {"a.sid", "--model", "6581"},
      {"a.sid", "--audio", "x.wav", "--model", "6582"},
      {"a.sid", "--audio", "x.wav", "--rate", "22050"},
  };
  for (const std::vector<std::string_view>& arguments : refused) {
    const TParsedOptions parsed = ParseDumpOptions(arguments);
    std::string line;
    for (const std::string_view argument : arguments) line += std::string(argument) + " ";
    EXPECT_FALSE(parsed.Options) << line;
    EXPECT_FALSE(parsed.Error.empty()) << line;
  }
}

TEST(ParseAddress, TakesTheThreeHexadecimalForms) {
  const std::vector<std::pair<std::string_view, std::optional<uint16_t>>> cases = {
      {"$0400", 0x0400}, {"0x0400", 0x0400}, {"0X04a0", 0x04A0}, {"0400", 0x0400}, {"ffff", 0xFFFF},
      {"0", 0},          {"$", {}},          {"0x", {}},         {"12345", {}},    {"04g0", {}},
      {"", {}},          {"-1", {}},         {"$$10", {}},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(ParseAddress(text), expected) << text;
}
