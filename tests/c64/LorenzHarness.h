#pragma once
// Runs one program of Wolfgang Lorenz's C64 emulator test suite on the emulated C64 with the
// built-in firmware, the way a C64 would after LOAD and RUN, and tells how the program ended.
//
// A program that finds nothing wrong chain-loads the next one through BASIC's LOAD command
// ($E16F); one that finds a fault prints it and waits for a key. The built-in firmware has no
// BASIC, so the program's machine code is entered at the address its SYS statement names, and
// the LOAD ends in the firmware's trap for BASIC calls.
#include <cstdint>
#include <span>
#include <string>

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

TLorenzResult RunLorenzProgram(std::span<const uint8_t> program, uint64_t cycleBudget);

const char* LorenzEndName(TLorenzEnd end);
