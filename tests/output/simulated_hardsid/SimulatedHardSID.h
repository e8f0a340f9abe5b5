#pragma once
// The test side of the simulated HardSID library: every exported function records its call
// here, and the tests set up how many chips it reports and what the chips answer.
#include <cstdint>

struct TSimulatedCall {
  char Function[24];
  int32_t Device;
  int32_t Reg;
  int32_t Cycles;
  int32_t Data;
};

using TSimulatedSetup = void (*)(uint8_t chips, uint8_t oscillatorValue);
using TSimulatedCallCount = int32_t (*)();
using TSimulatedCalls = const TSimulatedCall* (*)();

// Exported under these names next to the vendor's functions.
extern "C" {
// Starts a fresh log; the chips answer reads of the voice 3 oscillator with oscillatorValue.
void SimulatedHardSID_Setup(uint8_t chips, uint8_t oscillatorValue);
int32_t SimulatedHardSID_CallCount();
const TSimulatedCall* SimulatedHardSID_Calls();
}
