// Speed of the 6510 core on Klaus Dormann's functional test: a long mix of every documented
// instruction, run through the real memory map.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "c64/T6510.h"

namespace {

constexpr uint16_t Start = 0x0400;
constexpr uint16_t SuccessTrap = 0x3469;

std::vector<uint8_t> LoadImage() {
  std::ifstream in(VEXLOR_TESTDATA "/cpu/klaus_functional/6502_functional_test.bin", std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// All RAM, the test image in place, the CPU at the start of the test.
std::unique_ptr<T6510> MakeMachine(const std::vector<uint8_t>& image) {
  auto machine = std::make_unique<T6510>();
  machine->WritePortData(0x30);
  std::copy(image.begin(), image.end(), machine->Ram.begin());
  machine->PC = Start;
  return machine;
}

void FunctionalTestMix(benchmark::State& state) {
  const std::vector<uint8_t> image = LoadImage();
  if (image.size() != 0x10000) {
    state.SkipWithError("functional test image not found");
    return;
  }
  auto machine = MakeMachine(image);
  uint64_t instructions = 0;
  uint64_t cycles = 0;
  for (auto _ : state) {
    for (int i = 0; i < 1'000'000; ++i) {
      machine->ExecuteInstruction();
      cycles += machine->InstructionCycles;
    }
    instructions += 1'000'000;
    // The test ends in a JMP * loop; start it over so the mix stays the same.
    if (machine->PC == SuccessTrap) {
      std::copy(image.begin(), image.end(), machine->Ram.begin());
      machine->PC = Start;
    }
  }
  state.counters["instructions/s"] = benchmark::Counter(static_cast<double>(instructions), benchmark::Counter::kIsRate);
  state.counters["cycles/s"] = benchmark::Counter(static_cast<double>(cycles), benchmark::Counter::kIsRate);
}

// The same mix through the machine loop, with the VIC raster running and bad lines on.
void FunctionalTestMachineLoop(benchmark::State& state) {
  const std::vector<uint8_t> image = LoadImage();
  if (image.size() != 0x10000) {
    state.SkipWithError("functional test image not found");
    return;
  }
  auto machine = MakeMachine(image);
  machine->IoShadow[0x11] = 0x1B;
  machine->BadLinesEnabled = 1;
  uint64_t cycles = 0;
  for (auto _ : state) {
    cycles += machine->ExecuteCycles(1'000'000);
    if (machine->PC == SuccessTrap) {
      std::copy(image.begin(), image.end(), machine->Ram.begin());
      machine->PC = Start;
    }
  }
  state.counters["cycles/s"] = benchmark::Counter(static_cast<double>(cycles), benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(FunctionalTestMix)->Unit(benchmark::kMillisecond);
BENCHMARK(FunctionalTestMachineLoop)->Unit(benchmark::kMillisecond);
