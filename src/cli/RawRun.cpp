#include "cli/RawRun.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "c64/T6510.h"
#include "tune/SidLoader.h"

namespace {

// Port direction and data that bank out every ROM and the I/O area.
constexpr uint8_t PortDirection = 0x2F;
constexpr uint8_t AllRam = 0x34;

// Keeps what the program stores at $00/$01, so that they read back as plain memory once the
// instruction is over, and the banking stays all RAM whatever the stored value meant to the port.
class TPlainZeroPage : public TBusWriteObserver {
 public:
  void BusWrite(uint16_t address, uint8_t value) override {
    if (address >= 2) return;
    Stored[address] = value;
    Touched = true;
  }
  void Restore(T6510& machine) {
    if (!Touched) return;
    machine.WritePortDirection(PortDirection);
    machine.WritePortData(AllRam);
    machine.Ram[0] = Stored[0];
    machine.Ram[1] = Stored[1];
    Touched = false;
  }
  uint8_t Stored[2] = {0, 0};

 private:
  bool Touched = false;
};

TRawResult Snapshot(const T6510& machine, TRawStop reason, uint64_t cycles, uint64_t instructions) {
  TRawResult result;
  result.Reason = reason;
  result.PC = machine.PC;
  result.Cycles = cycles;
  result.Instructions = instructions;
  result.A = machine.A;
  result.X = machine.X;
  result.Y = machine.Y;
  result.SP = machine.SP;
  result.Status = machine.StatusByte();
  result.Memory = machine.Ram;
  return result;
}

std::string StopText(TRawStop reason) {
  switch (reason) {
    case TRawStop::Trap:
      return "trap";
    case TRawStop::StopAddress:
      return "stop address";
    case TRawStop::CycleLimit:
      break;
  }
  return "cycle limit";
}

}  // namespace

TRawResult RunRawProgram(std::span<const uint8_t> program, const TRawSetup& setup) {
  // No output chips: nothing the program does can reach a card.
  auto machine = std::make_unique<T6510>(std::vector<TDriverKind>{});
  machine->RealC64Mode = 1;
  machine->WritePortDirection(PortDirection);
  machine->WritePortData(AllRam);
  machine->Ram[0] = machine->Ram[1] = 0;
  const size_t room = 0x10000 - setup.LoadAddress;
  const size_t count = std::min(program.size(), room);
  std::copy_n(program.begin(), count, machine->Ram.begin() + setup.LoadAddress);
  TPlainZeroPage zeroPage;
  zeroPage.Stored[0] = machine->Ram[0];
  zeroPage.Stored[1] = machine->Ram[1];
  machine->WriteObserver = &zeroPage;
  machine->PC = setup.StartAddress;

  uint64_t cycles = 0;
  uint64_t instructions = 0;
  while (cycles < setup.CycleLimit) {
    if (setup.StopAddress && machine->PC == *setup.StopAddress)
      return Snapshot(*machine, TRawStop::StopAddress, cycles, instructions);
    const uint16_t before = machine->PC;
    machine->ExecuteInstruction();
    zeroPage.Restore(*machine);
    cycles += machine->InstructionCycles;
    ++instructions;
    if (machine->PC == before) return Snapshot(*machine, TRawStop::Trap, cycles, instructions);
  }
  return Snapshot(*machine, TRawStop::CycleLimit, cycles, instructions);
}

std::string RawReport(const TRawResult& result, std::optional<uint16_t> peekAddress) {
  std::string text = "Stopped at " + DollarHex(result.PC, 4) + " (" + StopText(result.Reason) + ")\n";
  text += "Cycles: " + std::to_string(result.Cycles) + "\n";
  text += "Instructions: " + std::to_string(result.Instructions) + "\n";
  text += "Registers: PC=" + DollarHex(result.PC, 4) + " A=" + DollarHex(result.A, 2) +
          " X=" + DollarHex(result.X, 2) + " Y=" + DollarHex(result.Y, 2) + " SP=" + DollarHex(result.SP, 2) +
          " P=" + DollarHex(result.Status, 2) + "\n";
  if (peekAddress)
    text += "Peek: " + DollarHex(*peekAddress, 4) + " = " + DollarHex(result.Memory[*peekAddress], 2) + "\n";
  return text;
}
