#pragma once
// The command line of vexlor-dump.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class TDumpOutput {
  Writes,  // every write the SID card receives, with its cumulative cycle
  Frames,  // the 25 SID registers at the end of every video frame
  Screen,  // the 40x25 text screen after the run
  Audio,   // the stream played on the software SID, written to a sound file
};

struct TDumpOptions {
  std::string File;
  int Song = 0;  // counted from 1; 0 = the tune's start song
  double Seconds = 10;
  bool SecondsGiven = false;
  bool Ntsc = false;
  TDumpOutput Output = TDumpOutput::Writes;
  std::string AudioFile;
  std::optional<int> Model;  // 6581 or 8580; none: the tune header's
  int Rate = 48000;
  std::string HvscDirectory;
  std::string SidIdFile;
  // Raw mode: a plain binary loaded at RawAddress in an all-RAM machine.
  std::optional<uint16_t> RawAddress;
  std::optional<uint16_t> StartAddress;
  std::optional<uint16_t> StopAddress;
  std::optional<uint16_t> PeekAddress;
};

struct TParsedOptions {
  std::optional<TDumpOptions> Options;
  std::string Error;  // why the command line was refused, when Options is empty
};

TParsedOptions ParseDumpOptions(const std::vector<std::string_view>& arguments);

// A C64 address written as $0400, 0x0400 or 0400 (hexadecimal in every form).
std::optional<uint16_t> ParseAddress(std::string_view text);

std::string_view DumpUsage();
