// The built-in BASIC image running tokenised programs the way the tune driver starts them: what
// it runs to the end, and what it leaves to a real BASIC ROM.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "c64/T6510.h"
#include "firmware/FirmwareImages.h"

namespace {

constexpr uint16_t Code = 0x1000;
constexpr uint16_t Counter = 0xC000;
constexpr uint8_t IncCounter[] = {0xEE, Counter & 0xFF, Counter >> 8};  // INC $C000
constexpr uint8_t Rts = 0x60;

// Tokens, spelled as they stand in program text
#define END "\x80"
#define REM "\x8F"
#define STOP "\x90"
#define POKE "\x97"
#define PRINT "\x99"
#define SYS "\x9E"
#define PLUS "\xAA"
#define EQUALS "\xB2"

using TLines = std::vector<std::pair<uint16_t, std::string>>;

// The program as a C64 stores it from $0801: per line the address of the next, the line number,
// the text and a 0; a link of 0 ends the program.
std::vector<uint8_t> Tokenised(const TLines& lines) {
  std::vector<uint8_t> bytes;
  for (const auto& [number, text] : lines) {
    const size_t next = 0x0801 + bytes.size() + 4 + text.size() + 1;
    bytes.insert(bytes.end(), {uint8_t(next & 0xFF), uint8_t(next >> 8), uint8_t(number & 0xFF), uint8_t(number >> 8)});
    bytes.insert(bytes.end(), text.begin(), text.end());
    bytes.push_back(0);
  }
  bytes.insert(bytes.end(), {0, 0});
  return bytes;
}

enum class TEnd { Ready, NeedsBasic, StillRunning };

// Runs the machine in millisecond steps until it sits at READY or in the BASIC trap.
TEnd RunToEnd(T6510& machine, int milliseconds = 3000) {
  for (int ms = 0; ms < milliseconds; ++ms) {
    if (machine.PC == firmware::BasicReadyLoop) return TEnd::Ready;
    if (machine.NeedsBasicRom()) return TEnd::NeedsBasic;
    machine.Step();
  }
  return TEnd::StillRunning;
}

// A program file loaded at loadAddress and started as the player starts it (RUN), with code
// placed at $1000 after loading.
void Start(T6510& machine, const std::vector<uint8_t>& data, const std::vector<uint8_t>& code = {IncCounter[0],
           IncCounter[1], IncCounter[2], Rts}, uint16_t loadAddress = 0x0801) {
  machine.LoadTune("program.prg", data, 0, true, loadAddress);
  std::copy(code.begin(), code.end(), machine.Ram.begin() + Code);
  machine.Ram[Counter] = 0;
  machine.SetVideoStandard(1);
  machine.PresetCiaTimers(1, true, 0xFFFFFFFF);
  machine.StartSong(nullptr, 1, true, 0xFFFFFFFF, 0, 0);
}

struct TProgramCase {
  const char* What;
  TLines Lines;
  TEnd End;
  uint8_t Counter;  // calls of the code at $1000, plus what the program poked there
};

TEST(FirmwareBasic, RunsSysPokeRemEndAndStopAndLeavesEverythingElseToARealRom) {
  const TProgramCase cases[] = {
      {"one SYS", {{10, SYS "4096"}}, TEnd::Ready, 1},
      {"no space, several statements", {{10, SYS "4096:" SYS "4096::" SYS " 4096 "}}, TEnd::Ready, 3},
      {"spaces inside a number, as BASIC reads them", {{10, " " SYS " 40 96"}}, TEnd::Ready, 1},
      {"POKE then SYS", {{10, POKE "49152,7:" SYS "4096"}}, TEnd::Ready, 8},
      {"lines in order", {{20, POKE "49152,2"}, {10, SYS "4096"}, {30, ""}, {40, SYS "4096"}}, TEnd::Ready, 4},
      {"REM hides the rest of its line", {{10, REM " " SYS "4096:" SYS "4096"}, {20, SYS "4096"}}, TEnd::Ready, 1},
      {"END", {{10, SYS "4096:" END ":" SYS "4096"}, {20, SYS "4096"}}, TEnd::Ready, 1},
      {"STOP", {{10, SYS "4096"}, {20, STOP}, {30, SYS "4096"}}, TEnd::Ready, 1},
      {"an empty program", {}, TEnd::Ready, 0},
      {"PRINT after a SYS", {{10, SYS "4096"}, {20, PRINT "1"}}, TEnd::NeedsBasic, 1},
      {"a variable", {{10, "A" EQUALS "1:" SYS "4096"}}, TEnd::NeedsBasic, 0},
      {"SYS to a variable", {{10, SYS "A"}}, TEnd::NeedsBasic, 0},
      {"an expression is not called at all", {{10, SYS "4096" PLUS "1"}}, TEnd::NeedsBasic, 0},
      {"SYS without an address", {{10, SYS}}, TEnd::NeedsBasic, 0},
      {"an address above 65535", {{10, SYS "69632"}}, TEnd::NeedsBasic, 0},
      {"a value above 255 is not poked", {{10, POKE "49152,256"}}, TEnd::NeedsBasic, 0},
      {"POKE without a comma", {{10, POKE "49152"}}, TEnd::NeedsBasic, 0},
      {"a decimal point", {{10, SYS "4096.5"}}, TEnd::NeedsBasic, 0},
  };
  for (const TProgramCase& c : cases) {
    SCOPED_TRACE(c.What);
    T6510 machine;
    Start(machine, Tokenised(c.Lines));
    EXPECT_EQ(RunToEnd(machine), c.End);
    EXPECT_EQ(machine.Ram[Counter], c.Counter);
  }
}

TEST(FirmwareBasic, MalformedTextEndsInTheTrapWithoutRunningWild) {
  struct TMalformed {
    const char* What;
    std::vector<uint8_t> Data;
  };
  std::vector<uint8_t> endless = Tokenised({{10, REM "X"}});
  endless.resize(endless.size() - 3);     // no end marker and no end of program:
  endless.resize(0xA000 - 0x0801, 'X');  // the remark runs up to the BASIC ROM
  std::vector<uint8_t> garbage = Tokenised({{10, SYS "4096"}});
  garbage[6] = 0xFF;  // not a token BASIC knows
  const TMalformed cases[] = {
      {"a REM line without an end", endless},
      {"an unknown token", garbage},
      {"text where the link should be", {'1', '0', ' ', 'S', 'Y', 'S', '4', '0', '9', '6', 0}},
  };
  for (const TMalformed& c : cases) {
    SCOPED_TRACE(c.What);
    T6510 machine;
    Start(machine, c.Data);
    EXPECT_EQ(RunToEnd(machine), TEnd::NeedsBasic);
    EXPECT_EQ(machine.Ram[Counter], 0);
  }
}

TEST(FirmwareBasic, SysHandsOverAndTakesBackTheRegisters) {
  T6510 machine;
  // STA $C001; STX $C002; STY $C003; PHP; PLA; STA $C004; LDA #$11; LDX #$22; LDY #$33; SEC; RTS
  Start(machine, Tokenised({{10, SYS "4096"}}),
        {0x8D, 0x01, 0xC0, 0x8E, 0x02, 0xC0, 0x8C, 0x03, 0xC0, 0x08, 0x68, 0x8D, 0x04, 0xC0, 0xA9, 0x11, 0xA2, 0x22,
         0xA0, 0x33, 0x38, Rts});
  machine.Ram[0x030C] = 0xA1;
  machine.Ram[0x030D] = 0xB2;
  machine.Ram[0x030E] = 0xC3;
  machine.Ram[0x030F] = 0x84;  // N and I
  ASSERT_EQ(RunToEnd(machine), TEnd::Ready);
  EXPECT_EQ(machine.Ram[0xC001], 0xA1);
  EXPECT_EQ(machine.Ram[0xC002], 0xB2);
  EXPECT_EQ(machine.Ram[0xC003], 0xC3);
  EXPECT_EQ(machine.Ram[0xC004], 0xB4);  // as pushed: B and bit 5 set
  EXPECT_EQ(machine.Ram[0x030C], 0x11);
  EXPECT_EQ(machine.Ram[0x030D], 0x22);
  EXPECT_EQ(machine.Ram[0x030E], 0x33);
  EXPECT_EQ(machine.Ram[0x030F] & 0xC7, 0x05);  // carry and I from the routine, N and Z clear after LDY
}

TEST(FirmwareBasic, InterruptsRunOnAtReady) {
  // POKE 789,16 moves the IRQ vector to $1031, where the code counts and goes on to the KERNAL.
  T6510 machine;
  Start(machine, Tokenised({{10, POKE "789,16"}}), {});
  const uint8_t handler[] = {IncCounter[0], IncCounter[1], IncCounter[2], 0x4C, 0x31, 0xEA};  // JMP $EA31
  std::copy(std::begin(handler), std::end(handler), machine.Ram.begin() + 0x1031);
  ASSERT_EQ(RunToEnd(machine), TEnd::Ready);
  for (int ms = 0; ms < 500; ++ms) machine.Step();
  EXPECT_FALSE(machine.NeedsBasicRom());
  EXPECT_GE(machine.Ram[Counter], 25);  // CIA 1 timer A at about 60 Hz
}

TEST(FirmwareBasic, ReadyPrintsThroughTheChroutVectorThatALoadedProgramMayTakeOver) {
  // Loaded at $0326 over the CHROUT vector: READY. after the (empty) program calls $1000.
  T6510 machine;
  Start(machine, {0x00, 0x10}, {IncCounter[0], IncCounter[1], IncCounter[2], 0x4C, 0x03, 0x10}, 0x0326);
  EXPECT_EQ(RunToEnd(machine, 100), TEnd::StillRunning);
  EXPECT_EQ(machine.Ram[Counter], 1);
}

TEST(FirmwareBasic, BasicSidTuneStartsAtTheStatementLoopWithAReturnToIdle) {
  // An RSID BASIC tune is started with init $A7AE; the program ends at READY, not in the trap.
  T6510 machine;
  machine.LoadTune("tune.sid", Tokenised({{10, SYS "4096"}}), 0, true, 0x0801);
  std::copy(std::begin(IncCounter), std::end(IncCounter), machine.Ram.begin() + Code);
  machine.Ram[Code + 3] = Rts;
  machine.Ram[Counter] = 0;
  machine.SetVideoStandard(1);
  machine.PresetCiaTimers(1, true, 0xFFFFFFFF);
  machine.StartSong(nullptr, 1, true, 0xFFFFFFFF, 0, firmware::BasicRun);
  EXPECT_EQ(RunToEnd(machine), TEnd::Ready);
  EXPECT_EQ(machine.Ram[Counter], 1);
  EXPECT_EQ(machine.Ram[0x39] | machine.Ram[0x3A] << 8, 0xFF0A);  // line 10, then direct mode
}

TEST(FirmwareBasic, OnlyTheServedEntriesRunOthersTrap) {
  // With the power-on RAM (an empty program), the statement loop and READY end at READY; an
  // entry anywhere else in the BASIC image, also right before a served one, reaches a trap, as
  // do the KERNAL's ways into BASIC and the power-on vectors into it.
  auto word = [](const auto& image, uint16_t at) { return uint16_t(image[at] | image[at + 1] << 8); };
  const std::pair<uint16_t, TEnd> cases[] = {
      {firmware::BasicRun, TEnd::Ready}, {0xA7E4, TEnd::Ready},     {0xA474, TEnd::Ready},
      {0xA480, TEnd::Ready},             {0xA483, TEnd::Ready},     {0xA004, TEnd::NeedsBasic},
      {0xA00C - 3, TEnd::NeedsBasic},    {0xA7AE - 3, TEnd::NeedsBasic}, {0xA4E1, TEnd::NeedsBasic},
      {0xA533, TEnd::NeedsBasic},        {0xA659, TEnd::NeedsBasic}, {0xBDCD, TEnd::NeedsBasic},
      {0xE394, TEnd::NeedsBasic},        {0xE37B, TEnd::NeedsBasic}, {0xE000, TEnd::NeedsBasic},
      {0xE12A, TEnd::NeedsBasic},
      {word(firmware::Basic, 0), TEnd::NeedsBasic},    {word(firmware::Basic, 2), TEnd::NeedsBasic},
      {word(firmware::PowerOn, 0x0300), TEnd::NeedsBasic}, {word(firmware::PowerOn, 0x0304), TEnd::NeedsBasic},
      {word(firmware::PowerOn, 0x0306), TEnd::NeedsBasic}, {word(firmware::PowerOn, 0x030A), TEnd::NeedsBasic},
      {word(firmware::PowerOn, 0x0311), TEnd::NeedsBasic},
  };
  for (const auto& [entry, end] : cases) {
    SCOPED_TRACE(entry);
    T6510 machine;
    Start(machine, {0, 0, 0});
    machine.PC = entry;
    EXPECT_EQ(RunToEnd(machine), end);
  }
}

}  // namespace
