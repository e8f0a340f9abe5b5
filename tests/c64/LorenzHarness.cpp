#include "LorenzHarness.h"

#include <cctype>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "c64/RomImages.h"
#include "c64/T6510.h"
#include "firmware/FirmwareImages.h"

namespace {

constexpr uint16_t BasicStartAddress = 0x0801;
constexpr uint8_t TokenPoke = 0x97;
constexpr uint8_t TokenSys = 0x9E;
constexpr uint16_t SysRegisters = 0x030C;  // A, X, Y and status handed to the SYS routine
constexpr uint16_t GetinEntry = 0xFFE4;
constexpr uint16_t GetinVector = 0x032A;
constexpr uint16_t FileNameLength = 0xB7;
constexpr uint16_t FileNameAddress = 0xBB;
constexpr uint16_t ScreenPage = 0x0288;
constexpr int ScreenColumns = 40;
constexpr int ScreenRows = 25;
// The player's one-millisecond slice: the machine runs here as it does when playing.
constexpr double Slice = 985.248;
constexpr uint64_t PowerOnBudget = 2'000'000;

// What the BASIC line of a program loaded at $0801 does before it enters machine code.
struct TBasicStart {
  std::vector<std::pair<uint16_t, uint8_t>> Pokes;
  uint16_t SysAddress = 0;
};

class TBasicLine {
 public:
  explicit TBasicLine(std::span<const uint8_t> text) : Text(text) {}
  bool AtEnd() const { return Pos >= Text.size() || Text[Pos] == 0; }
  bool Take(uint8_t byte) {
    SkipSpaces();
    if (AtEnd() || Text[Pos] != byte) return false;
    ++Pos;
    return true;
  }
  std::optional<uint32_t> Number() {
    SkipSpaces();
    uint32_t value = 0;
    size_t digits = 0;
    while (!AtEnd() && std::isdigit(Text[Pos]) && value < 0x10000) {
      value = value * 10 + (Text[Pos++] - '0');
      ++digits;
    }
    if (digits == 0 || value > 0xFFFF) return std::nullopt;
    return value;
  }
  void SkipStatement() {
    while (!AtEnd() && Text[Pos] != ':') ++Pos;
  }

 private:
  void SkipSpaces() {
    while (!AtEnd() && Text[Pos] == ' ') ++Pos;
  }
  std::span<const uint8_t> Text;
  size_t Pos = 0;
};

uint16_t Word(const T6510& machine, uint16_t address) {
  return static_cast<uint16_t>(machine.Ram[address] | machine.Ram[(address + 1) & 0xFFFF] << 8);
}

// A C64 just switched on: the firmware's reset has run and BASIC would show READY.
bool PowerOn(T6510& machine) {
  const TRomImages roms;
  if (!machine.InstallRoms(roms.Kernal(), roms.Basic(), roms.Chars(), roms.PowerOn())) return false;
  machine.ResetMemory(true);
  machine.WritePortDirection(0x2F);
  machine.WritePortData(0x37);
  machine.RealC64Mode = 1;
  machine.SP = 0xFF;
  machine.PC = static_cast<uint16_t>(machine.MapRead(0xFFFC) | machine.MapRead(0xFFFD) << 8);
  for (uint64_t run = 0; run < PowerOnBudget && machine.PC != firmware::BasicTrap;) {
    run += machine.ExecuteCycles(Slice);
  }
  return machine.PC == firmware::BasicTrap;
}

void LoadProgram(T6510& machine, std::span<const uint8_t> program) {
  const uint16_t load = static_cast<uint16_t>(program[0] | program[1] << 8);
  for (size_t i = 2; i < program.size() && load + i - 2 <= 0xFFFF; ++i) {
    machine.Ram[load + i - 2] = program[i];
  }
}

// SYS as BASIC does it: registers from $030C-$030F, and a return address that leads back
// into BASIC (here its trap).
void EnterSys(T6510& machine, const TBasicStart& start) {
  for (const auto& [address, value] : start.Pokes) machine.WriteMemory(address, value);
  machine.A = machine.Ram[SysRegisters];
  machine.X = machine.Ram[SysRegisters + 1];
  machine.Y = machine.Ram[SysRegisters + 2];
  machine.SetStatusByte(machine.Ram[SysRegisters + 3]);
  constexpr uint16_t returnAddress = firmware::BasicTrap - 1;
  machine.SP = 0xFA;
  machine.Ram[0x100 + machine.SP--] = returnAddress >> 8;
  machine.Ram[0x100 + machine.SP--] = returnAddress & 0xFF;
  machine.PC = start.SysAddress;
}

// True when the CPU stands at the start of GETIN or of the routine its vector names. The
// programs call GETIN only to wait for a key after a fault, and they call it in a loop, so the
// end of some slice finds the CPU there.
bool EnteringGetin(const T6510& machine) {
  return machine.PC == GetinEntry || machine.PC == Word(machine, GetinVector);
}

bool IsJam(uint8_t opcode) { return (opcode & 0x0F) == 0x02 && (opcode & 0x90) != 0x80; }

char ScreenCodeToAscii(uint8_t code) {
  code &= 0x7F;
  if (code == 0) return '@';
  if (code <= 26) return static_cast<char>('A' + code - 1);
  if (code >= 0x20 && code < 0x40) return static_cast<char>(code);
  return '.';
}

std::string ScreenText(const T6510& machine) {
  const uint32_t base = machine.Ram[ScreenPage] << 8;
  std::string text;
  for (int row = 0; row < ScreenRows; ++row) {
    std::string line;
    for (int column = 0; column < ScreenColumns; ++column) {
      line += ScreenCodeToAscii(machine.Ram[(base + row * ScreenColumns + column) & 0xFFFF]);
    }
    line.erase(line.find_last_not_of(' ') + 1);
    text += line + '\n';
  }
  text.erase(text.find_last_not_of('\n') + 1);
  return text;
}

// Reads the POKE and SYS statements of the first BASIC line; none when the line holds no SYS.
std::optional<TBasicStart> ParseBasicStart(std::span<const uint8_t> program) {
  constexpr size_t textOffset = 2 + 4;  // load address, line link, line number
  if (program.size() <= textOffset || (program[0] | program[1] << 8) != BasicStartAddress) {
    return std::nullopt;
  }
  TBasicLine line(program.subspan(textOffset));
  TBasicStart start;
  while (!line.AtEnd()) {
    if (line.Take(TokenPoke)) {
      const auto address = line.Number();
      const bool comma = line.Take(',');
      const auto value = line.Number();
      if (!address || !comma || !value || *value > 0xFF) return std::nullopt;
      start.Pokes.emplace_back(*address, *value);
    } else if (line.Take(TokenSys)) {
      const auto address = line.Number();
      if (!address) return std::nullopt;
      start.SysAddress = static_cast<uint16_t>(*address);
      return start;
    } else {
      line.SkipStatement();
    }
    line.Take(':');
  }
  return std::nullopt;
}

// The file name under which the suite stores the program that the PETSCII name refers to.
std::string LorenzFileName(std::span<const uint8_t> petsciiName) {
  std::string name;
  for (const uint8_t c : petsciiName) {
    if (c == ' ' || c == '(') {
      name += '_';
    } else if (std::isalnum(c)) {
      name += static_cast<char>(std::tolower(c));
    }
  }
  return name;
}

std::string RequestedFile(const T6510& machine) {
  const uint16_t name = Word(machine, FileNameAddress);
  std::vector<uint8_t> petscii;
  for (uint32_t i = 0; i < machine.Ram[FileNameLength]; ++i) {
    petscii.push_back(machine.Ram[(name + i) & 0xFFFF]);
  }
  return LorenzFileName(petscii);
}

// How the program has ended, if it has.
std::optional<TLorenzEnd> Ending(const T6510& machine) {
  if (machine.PC == firmware::KernalBasicTrap) {
    return machine.Ram[FileNameLength] ? TLorenzEnd::Loads : TLorenzEnd::ReturnsToBasic;
  }
  if (machine.PC == firmware::BasicTrap) return TLorenzEnd::ReturnsToBasic;
  if (IsJam(machine.MapRead(machine.PC))) return TLorenzEnd::Jams;
  if (EnteringGetin(machine)) return TLorenzEnd::WaitsForKey;
  return std::nullopt;
}

}  // namespace

TLorenzResult RunLorenzProgram(std::span<const uint8_t> program, uint64_t cycleBudget) {
  TLorenzResult result;
  const auto start = ParseBasicStart(program);
  auto machine = std::make_unique<T6510>();
  if (!start || !PowerOn(*machine)) return result;
  LoadProgram(*machine, program);
  EnterSys(*machine, *start);
  result.End = TLorenzEnd::OutOfCycles;
  while (result.Cycles < cycleBudget) {
    result.Cycles += machine->ExecuteCycles(Slice);
    if (const auto end = Ending(*machine)) {
      result.End = *end;
      break;
    }
  }
  if (result.End == TLorenzEnd::Loads) result.NextProgram = RequestedFile(*machine);
  result.Screen = ScreenText(*machine);
  return result;
}

const char* LorenzEndName(TLorenzEnd end) {
  switch (end) {
    case TLorenzEnd::Loads: return "loads next";
    case TLorenzEnd::WaitsForKey: return "fault, waits for key";
    case TLorenzEnd::ReturnsToBasic: return "returns to BASIC";
    case TLorenzEnd::Jams: return "jams";
    case TLorenzEnd::OutOfCycles: return "out of cycles";
    case TLorenzEnd::NotRunnable: return "no SYS entry";
  }
  return "";
}
