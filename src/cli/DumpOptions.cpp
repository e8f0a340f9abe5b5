#include "cli/DumpOptions.h"

#include <charconv>
#include <cmath>
#include <set>

namespace {

// A day of C64 time is far more than any tune needs and keeps cycle counts in 64 bits easily.
constexpr double MaxSeconds = 86400;
constexpr int MaxSong = 255;

std::optional<int> ParseSong(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < 1 || value > MaxSong)
    return std::nullopt;
  return value;
}

std::optional<double> ParseSeconds(std::string_view text) {
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value) || value <= 0 ||
      value > MaxSeconds)
    return std::nullopt;
  return value;
}

bool TakesValue(std::string_view option) {
  static const std::set<std::string_view> withValue = {"--song", "--seconds", "--hvsc", "--sidid", "--raw",  "--pc",
                                                       "--stop", "--peek",    "--audio", "--model", "--rate"};
  return withValue.count(option) != 0;
}

class TOptionReader {
 public:
  std::string Error;
  TDumpOptions Options;
  std::set<std::string_view> Seen;

  bool Flag(std::string_view option) {
    if (option == "--ntsc") {
      Options.Ntsc = true;
    } else if (option == "--writes" || option == "--frames" || option == "--screen") {
      const TDumpOutput output = option == "--writes"   ? TDumpOutput::Writes
                                 : option == "--frames" ? TDumpOutput::Frames
                                                        : TDumpOutput::Screen;
      return ChooseOutput(output);
    } else {
      return Fail("unknown option " + std::string(option));
    }
    return true;
  }

  bool Valued(std::string_view option, std::string_view value) {
    if (option == "--song") {
      const std::optional<int> song = ParseSong(value);
      if (!song) return Fail("--song needs a song number from 1 to 255");
      Options.Song = *song;
    } else if (option == "--seconds") {
      const std::optional<double> seconds = ParseSeconds(value);
      if (!seconds) return Fail("--seconds needs a positive number of seconds up to 86400");
      Options.Seconds = *seconds;
      Options.SecondsGiven = true;
    } else if (option == "--audio") {
      if (value.empty()) return Fail("--audio needs a file name ending in .wav or .flac");
      Options.AudioFile = value;
      return ChooseOutput(TDumpOutput::Audio);
    } else if (option == "--model") {
      if (value != "6581" && value != "8580") return Fail("--model needs 6581 or 8580");
      Options.Model = value == "6581" ? 6581 : 8580;
    } else if (option == "--rate") {
      if (value != "44100" && value != "48000" && value != "96000") return Fail("--rate needs 44100, 48000 or 96000");
      Options.Rate = value == "44100" ? 44100 : value == "48000" ? 48000 : 96000;
    } else if (option == "--hvsc") {
      Options.HvscDirectory = value;
    } else if (option == "--sidid") {
      Options.SidIdFile = value;
    } else {
      const std::optional<uint16_t> address = ParseAddress(value);
      if (!address) return Fail(std::string(option) + " needs an address such as $0400, 0x0400 or 0400");
      if (option == "--raw") Options.RawAddress = address;
      if (option == "--pc") Options.StartAddress = address;
      if (option == "--stop") Options.StopAddress = address;
      if (option == "--peek") Options.PeekAddress = address;
    }
    return true;
  }

  bool Positional(std::string_view argument) {
    if (!Options.File.empty()) return Fail("only one file, please: " + std::string(argument));
    Options.File = argument;
    return true;
  }

  // Options that belong to one mode only are refused in the other.
  bool CheckCombination() {
    if (Options.File.empty()) return Fail("no file given");
    const bool raw = Options.RawAddress.has_value();
    for (const std::string_view rawOnly : {"--pc", "--stop", "--peek"}) {
      if (!raw && Seen.count(rawOnly)) return Fail(std::string(rawOnly) + " works only with --raw");
    }
    for (const std::string_view tuneOnly :
         {"--song", "--ntsc", "--writes", "--frames", "--screen", "--hvsc", "--sidid", "--audio"}) {
      if (raw && Seen.count(tuneOnly)) return Fail(std::string(tuneOnly) + " does not apply to --raw");
    }
    for (const std::string_view audioOnly : {"--model", "--rate"}) {
      if (Options.Output != TDumpOutput::Audio && Seen.count(audioOnly))
        return Fail(std::string(audioOnly) + " works only with --audio");
    }
    return true;
  }

  bool ChooseOutput(TDumpOutput output) {
    if (OutputChosen && output != Options.Output) return Fail("choose one of --writes, --frames, --screen, --audio");
    OutputChosen = true;
    Options.Output = output;
    return true;
  }

  bool Fail(std::string message) {
    Error = std::move(message);
    return false;
  }

 private:
  bool OutputChosen = false;
};

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<uint16_t> ParseAddress(std::string_view text) {
  if (text.starts_with('$')) {
    text.remove_prefix(1);
  } else if (text.starts_with("0x") || text.starts_with("0X")) {
    text.remove_prefix(2);
  }
  if (text.empty() || text.size() > 4) return std::nullopt;
  uint32_t value = 0;
  for (const char c : text) {
    const int digit = HexDigit(c);
    if (digit < 0) return std::nullopt;
    value = value * 16 + uint32_t(digit);
  }
  return uint16_t(value);
}

TParsedOptions ParseDumpOptions(const std::vector<std::string_view>& arguments) {
  TOptionReader reader;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string_view argument = arguments[i];
    bool ok;
    if (!argument.starts_with('-') || argument == "-") {
      ok = reader.Positional(argument);
    } else if (TakesValue(argument)) {
      if (i + 1 >= arguments.size()) return {std::nullopt, std::string(argument) + " needs a value"};
      reader.Seen.insert(argument);
      ok = reader.Valued(argument, arguments[++i]);
    } else {
      reader.Seen.insert(argument);
      ok = reader.Flag(argument);
    }
    if (!ok) return {std::nullopt, reader.Error};
  }
  if (!reader.CheckCombination()) return {std::nullopt, reader.Error};
  return {reader.Options, {}};
}

std::string_view DumpUsage() {
  return "usage: vexlor-dump FILE [--song N] [--seconds S] [--ntsc] [--writes|--frames|--screen]\n"
         "                   [--hvsc DIR] [--sidid FILE]\n"
         "       vexlor-dump FILE --audio OUT.wav|OUT.flac [--model 6581|8580] [--rate HZ] [--song N]\n"
         "                   [--seconds S] [--ntsc] [--hvsc DIR]\n"
         "       vexlor-dump FILE --raw ADDR [--pc ADDR] [--stop ADDR] [--peek ADDR] [--seconds S]\n"
         "\n"
         "Runs a C64 tune headless and prints its header facts and fingerprint, then the SID\n"
         "writes a card would receive (cumulative cycle, register, value), the 25 SID registers\n"
         "at the end of every video frame (--frames), or the text screen (--screen).\n"
         "  --song N      song to start, from 1 (default: the tune's start song)\n"
         "  --seconds S   C64 time to run (default 10)\n"
         "  --ntsc        run the NTSC machine instead of the tune's own clock\n"
         "  --hvsc DIR    HVSC folder: print song lengths and the STIL and bug list texts; with\n"
         "                --audio and no --seconds, the song's length sets the length\n"
         "  --audio FILE  play the writes on the software SID into a WAV or FLAC file\n"
         "  --model M     the chip for --audio: 6581 or 8580 (default: the tune's; 6581 when it\n"
         "                names both or neither)\n"
         "  --rate HZ     sample rate for --audio: 44100, 48000 (default) or 96000\n"
         "  --sidid FILE  sidid.cfg: print the identified players (file and memory scan)\n"
         "  --raw ADDR    load FILE as a plain binary at ADDR into a machine with RAM only\n"
         "                ($00/$01 included) and run it from --pc (default ADDR) until it traps\n"
         "                on one instruction or reaches --stop; --peek prints one byte after it\n"
         "                (default limit 1000 seconds of C64 time)\n"
         "Addresses are hexadecimal: $0400, 0x0400 or 0400.\n"
         "Exit status: 0 done, 1 file not loaded, 2 bad command line, 3 the tune needs a real\n"
         "BASIC ROM, 4 a raw program did not stop within the time limit.\n";
}
