#pragma once
// Runs one program of Wolfgang Lorenz's C64 emulator test suite on the emulated C64 with the
// built-in firmware, the way a C64 would after LOAD and RUN, and tells how the program ended.
//
// A program that finds nothing wrong chain-loads the next one through BASIC's LOAD command
// ($E16F); one that finds a fault prints it and waits for a key. The built-in firmware has no
// BASIC, so the program's machine code is entered at the address its SYS statement names, and
// the LOAD ends in the firmware's trap for BASIC calls.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

enum class TLorenzEnd {
  Loads,           // asked to load the next program: the program passed
  WaitsForKey,     // printed a fault and waits in GETIN
  ReturnsToBasic,  // left for BASIC (warm start or return from SYS)
  Jams,            // stuck on a JAM opcode
  OutOfCycles,     // still running when the budget ran out
  NotRunnable,     // no SYS entry in the BASIC line
};

struct TLorenzResult {
  TLorenzEnd End = TLorenzEnd::NotRunnable;
  std::string NextProgram;  // file name of the program it asked to load
  std::string Screen;       // the text screen, one line per row, trailing blanks removed
  uint64_t Cycles = 0;      // cycles run from the SYS entry on
};

// What the BASIC line of a program loaded at $0801 does before it enters machine code.
struct TBasicStart {
  std::vector<std::pair<uint16_t, uint8_t>> Pokes;
  uint16_t SysAddress = 0;
};

// Reads the POKE and SYS statements of the first BASIC line; none when the line holds no SYS.
// program is the whole file, starting with its two-byte load address.
std::optional<TBasicStart> ParseBasicStart(std::span<const uint8_t> program);

// The file name under which the suite stores the program that the PETSCII name refers to.
std::string LorenzFileName(std::span<const uint8_t> petsciiName);

TLorenzResult RunLorenzProgram(std::span<const uint8_t> program, uint64_t cycleBudget);

const char* LorenzEndName(TLorenzEnd end);
