// Wolfgang Lorenz's C64 emulator test suite on the emulated C64. Every program of the suite is
// run once; those in the pass list must find nothing wrong and ask for the next program, the
// others must end the way the catalogue below records, for the reason it gives. The run prints
// a table of all programs with their outcome.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "LorenzHarness.h"
#include "MachineFixture.h"

namespace {

// Under the sanitizers the machine runs some fifty times slower: the per-opcode programs, which
// take the bulk of the four billion cycles the suite runs, are left to the uninstrumented builds.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool Instrumented = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool Instrumented = true;
#else
constexpr bool Instrumented = false;
#endif
#else
constexpr bool Instrumented = false;
#endif

// The longest program (shsay) needs about 64 million cycles.
constexpr uint64_t CycleBudget = 100'000'000;

// The per-opcode programs: every opcode but the JAMs, run over all data and flag combinations.
constexpr const char* InstructionPrograms =
    "_start adca adcax adcay adcb adcix adciy adcz adczx alrb ancb anda andax anday andb andix "
    "andiy andz andzx aneb arrb asla aslax asln aslz aslzx asoa asoax asoay asoix asoiy asoz "
    "asozx axsa axsix axsz axszy bccr bcsr beqr bita bitz bmir bner bplr brkn bvcr bvsr clcn cldn "
    "clin clvn cmpa cmpax cmpay cmpb cmpix cmpiy cmpz cmpzx cpxa cpxb cpxz cpya cpyb cpyz dcma "
    "dcmax dcmay dcmix dcmiy dcmz dcmzx deca decax decz deczx dexn deyn eora eorax eoray eorb "
    "eorix eoriy eorz eorzx inca incax incz inczx insa insax insay insix insiy insz inszx inxn "
    "inyn jmpi jmpw jsrw lasay laxa laxay laxix laxiy laxz laxzy ldaa ldaax ldaay ldab ldaix "
    "ldaiy ldaz ldazx ldxa ldxay ldxb ldxz ldxzy ldya ldyax ldyb ldyz ldyzx lsea lseax lseay "
    "lseix lseiy lsez lsezx lsra lsrax lsrn lsrz lsrzx lxab nopa nopax nopb nopn nopz nopzx oraa "
    "oraax oraay orab oraix oraiy oraz orazx phan phpn plan plpn rlaa rlaax rlaay rlaix rlaiy "
    "rlaz rlazx rola rolax roln rolz rolzx rora rorax rorn rorz rorzx rraa rraax rraay rraix "
    "rraiy rraz rrazx rtin rtsn sbca sbcax sbcay sbcb sbcb_eb sbcix sbciy sbcz sbczx sbxb secn "
    "sedn sein shaay shaiy shsay shxay shyax staa staax staay staix staiy staz stazx stxa stxz "
    "stxzy stya styz styzx taxn tayn tsxn txan txsn tyan";

// The IO trap and wrap-around programs, the branch wrap, the instruction timing, CNT's default.
constexpr const char* SystemProgramsThatPass =
    "branchwrap cntdef cputiming trap1 trap2 trap3 trap4 trap5 trap6 trap7 trap8 trap9 trap10 "
    "trap11 trap12 trap13 trap14 trap15";

// Why a program cannot pass on a machine that runs whole instructions with its chips brought
// up to date at fixed cycles.
enum class TReason {
  CiaCycleTiming,
  CiaPortOutputs,
  CodeInCiaRegisters,
  PortLatch,
  OriginalRoms,
  IdleAddress,
  BasicProgram,
};

const char* ReasonText(TReason reason) {
  switch (reason) {
    case TReason::CiaCycleTiming:
      return "CIA start/load/one-shot latency and ICR/IMR pipeline to the cycle";
    case TReason::CiaPortOutputs: return "CIA timer outputs on PB6/PB7 not modelled";
    case TReason::CodeInCiaRegisters: return "code fetched from CIA registers (per-cycle bus)";
    case TReason::PortLatch: return "6510 port: no output latch, no floating bits";
    case TReason::OriginalRoms: return "needs the Commodore ROM contents";
    case TReason::IdleAddress: return "code at $FFFE/$FFFF: the machine's idle state";
    case TReason::BasicProgram: return "BASIC program, no interpreter in the firmware";
  }
  return "";
}

struct TKnownFailure {
  TReason Reason;
  TLorenzEnd End;
  const char* ScreenShows;  // the fault as the program reports it
};

// The machine loads a force-loaded timer with the latch plus one, lets a timer started by a
// control write count 1 + the write's cycle within the instruction longer, and reads or writes
// the chips at one fixed cycle per opcode. The suite wants the chip's own delays to the cycle,
// so the programs that time an underflow against a register access a few cycles later fail
// their first check.
const std::map<std::string, TKnownFailure>& KnownFailures() {
  static const std::map<std::string, TKnownFailure> failures = {
      {"cia1ta", {TReason::CiaCycleTiming, TLorenzEnd::WaitsForKey, "AFTER 1F 00 00\nRIGHT 1E 00 00"}},
      {"cia1tb", {TReason::CiaCycleTiming, TLorenzEnd::WaitsForKey, "AFTER 1F 00 00\nRIGHT 1E 00 00"}},
      {"cia2ta", {TReason::CiaCycleTiming, TLorenzEnd::WaitsForKey, "AFTER 1F 00 00\nRIGHT 1E 00 00"}},
      {"cia2tb", {TReason::CiaCycleTiming, TLorenzEnd::WaitsForKey, "AFTER 1F 00 00\nRIGHT 1E 00 00"}},
      {"loadth", {TReason::CiaCycleTiming, TLorenzEnd::WaitsForKey, "FORCE LOAD DOES NOT WORK"}},
      {"icr01", {TReason::CiaCycleTiming, TLorenzEnd::WaitsForKey, "CIA1 ICR IS NOT $01"}},
      {"imr", {TReason::CiaCycleTiming, TLorenzEnd::WaitsForKey, "IMR=$81 IRQ IN CLOCK 2"}},
      {"oneshot", {TReason::CiaCycleTiming, TLorenzEnd::WaitsForKey, "CRA IS NOT $08 AT ICR=$01"}},
      {"flipos", {TReason::CiaCycleTiming, TLorenzEnd::WaitsForKey, "SET ONESHOT AT T-1 DID NOT STOP"}},
      {"cnto2", {TReason::CiaCycleTiming, TLorenzEnd::WaitsForKey, "CNT TO O2 DOES NOT DELAY 2 CLOCKS"}},
      // Both check that a timer underflow reaches the interrupt register at the chip's cycle
      // before they measure interrupt entry within instructions.
      {"irq", {TReason::CiaCycleTiming, TLorenzEnd::WaitsForKey, "WRONG $DC0D"}},
      {"nmi", {TReason::CiaCycleTiming, TLorenzEnd::WaitsForKey, "WRONG $DD0D"}},
      {"cia1pb6", {TReason::CiaPortOutputs, TLorenzEnd::WaitsForKey, "OLD NEW PB6"}},
      {"cia1pb7", {TReason::CiaPortOutputs, TLorenzEnd::WaitsForKey, "OLD NEW PB7"}},
      {"cia2pb6", {TReason::CiaPortOutputs, TLorenzEnd::WaitsForKey, "OLD NEW PB6"}},
      {"cia2pb7", {TReason::CiaPortOutputs, TLorenzEnd::WaitsForKey, "OLD NEW PB7"}},
      // Its timer A (latch 2) is read in consecutive instructions: the read at the opcode's
      // fixed cycle counts on past the underflow without the reload and gives $FF-$FD.
      {"cia1tab", {TReason::CiaPortOutputs, TLorenzEnd::WaitsForKey, "PB  00 00 00 00"}},
      {"cia1tb123", {TReason::CodeInCiaRegisters, TLorenzEnd::WaitsForKey, "ERROR 00 01 CYCLE 3"}},
      {"cia2tb123", {TReason::CodeInCiaRegisters, TLorenzEnd::WaitsForKey, "ERROR 00 01 CYCLE 3"}},
      // Direction $00 then $FF: the port keeps only its effective value, $17, not the $FF
      // written before.
      {"cpuport", {TReason::PortLatch, TLorenzEnd::WaitsForKey, "AFTER  FF 17\nRIGHT  FF FF"}},
      // The banking is right: INC reads the built-in BASIC ($FD) and KERNAL ($EA) bytes at
      // $A000/$E000 and writes RAM; the program expects the Commodore bytes $94 and $85.
      {"mmu", {TReason::OriginalRoms, TLorenzEnd::WaitsForKey, "AFTER  0 7  FE EB 00 03"}},
      // Banks BASIC in under its own feet and expects the Commodore code at $A4E1; the
      // built-in image sends it to the BASIC trap.
      {"mmufetch", {TReason::OriginalRoms, TLorenzEnd::ReturnsToBasic, "MMUFETCH"}},
      {"trap16", {TReason::IdleAddress, TLorenzEnd::OutOfCycles, "TRAP16"}},
      {"trap17", {TReason::IdleAddress, TLorenzEnd::OutOfCycles, "TRAP17"}},
      {"finish", {TReason::BasicProgram, TLorenzEnd::NotRunnable, ""}},
  };
  return failures;
}

std::set<std::string> Names(const char* list) {
  std::istringstream names(list);
  return {std::istream_iterator<std::string>(names), std::istream_iterator<std::string>()};
}

std::vector<std::string> SuitePrograms(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.is_regular_file()) names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string FirstLines(const std::string& screen, int lines) {
  size_t end = 0;
  for (int i = 0; i < lines && end != std::string::npos; ++i) end = screen.find('\n', end + 1);
  std::string text = screen.substr(0, end);
  std::replace(text.begin(), text.end(), '\n', '|');
  return text;
}

void CheckPasses(const std::string& name, const TLorenzResult& result,
                 const std::vector<std::string>& programs) {
  EXPECT_EQ(result.End, TLorenzEnd::Loads) << LorenzEndName(result.End) << "\n" << result.Screen;
  // The chain goes on to another program of the suite.
  EXPECT_TRUE(std::binary_search(programs.begin(), programs.end(), result.NextProgram))
      << "asks for '" << result.NextProgram << "'";
  EXPECT_NE(result.NextProgram, name);
}

void CheckFailsAsRecorded(const TKnownFailure& known, const TLorenzResult& result) {
  EXPECT_NE(result.End, TLorenzEnd::Loads) << "passes now: move it to the pass list";
  EXPECT_EQ(result.End, known.End) << LorenzEndName(result.End);
  EXPECT_NE(result.Screen.find(known.ScreenShows), std::string::npos) << result.Screen;
}

}  // namespace

TEST(LorenzSuite, EveryProgramPassesOrFailsForItsRecordedReason) {
  const std::filesystem::path folder = TestData("lorenz/bin");
  if (!std::filesystem::is_directory(folder)) GTEST_SKIP() << "Lorenz test suite not found at " << folder;
  const auto programs = SuitePrograms(folder);
  const auto instructionPrograms = Names(InstructionPrograms);
  auto passList = Names(SystemProgramsThatPass);
  passList.insert(instructionPrograms.begin(), instructionPrograms.end());
  ASSERT_EQ(programs.size(), 265u);
  ASSERT_EQ(passList.size() + KnownFailures().size(), programs.size());

  std::map<std::string, int> tally;
  std::printf("%-11s %-21s %-10s %11s  %s\n", "program", "end", "next", "cycles", "reason / screen");
  for (const auto& name : programs) {
    SCOPED_TRACE(name);
    if (Instrumented && instructionPrograms.count(name)) {
      std::printf("%-11s not run in the instrumented build\n", name.c_str());
      ++tally["not run"];
      continue;
    }
    const auto result = RunLorenzProgram(ReadFileBytes(folder / name), CycleBudget);
    const auto known = KnownFailures().find(name);
    std::string note;
    if (passList.count(name)) {
      CheckPasses(name, result, programs);
      ++tally["pass"];
    } else if (known != KnownFailures().end()) {
      CheckFailsAsRecorded(known->second, result);
      note = std::string(ReasonText(known->second.Reason)) + " / " + FirstLines(result.Screen, 4);
      ++tally[ReasonText(known->second.Reason)];
    } else {
      ADD_FAILURE() << "neither in the pass list nor in the catalogue of failures";
    }
    std::printf("%-11s %-21s %-10s %11llu  %s\n", name.c_str(), LorenzEndName(result.End),
                result.NextProgram.c_str(), static_cast<unsigned long long>(result.Cycles), note.c_str());
  }
  for (const auto& [category, count] : tally) std::printf("%4d  %s\n", count, category.c_str());
}
