#pragma once
// Runs a plain 6502 binary on the emulated CPU with RAM everywhere, $00/$01 included (a 6502
// program knows no processor port), until it traps on one instruction or reaches a stop address.
// This is how the public CPU test programs run.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

struct TRawSetup {
  uint16_t LoadAddress = 0;
  uint16_t StartAddress = 0;
  std::optional<uint16_t> StopAddress;
  uint64_t CycleLimit = 0;
};

enum class TRawStop { Trap, StopAddress, CycleLimit };

struct TRawResult {
  TRawStop Reason = TRawStop::CycleLimit;
  uint16_t PC = 0;
  uint64_t Cycles = 0;
  uint64_t Instructions = 0;
  uint8_t A = 0, X = 0, Y = 0, SP = 0, Status = 0;
  // The whole RAM after the run, for the byte the user asked to see.
  std::array<uint8_t, 0x10000> Memory{};
};

// Bytes that would lie beyond $FFFF are dropped.
TRawResult RunRawProgram(std::span<const uint8_t> program, const TRawSetup& setup);

// Where and why it stopped, the cycles, the registers and, when asked, one byte of memory.
std::string RawReport(const TRawResult& result, std::optional<uint16_t> peekAddress);
