// The voice's waveform generator away from the per-cycle path: register writes, the test
// bit's effect on the noise register, and the combined waveforms.
#include "sid/Oscillator.h"

void TSidOscillator::Reset() {
  Accumulator = 0;
  Frequency = 0;
  PulseWidth = 0;
  NoiseRegister = NoiseResetState;
  Waveform = 0;
  Test = Ring = Sync = MsbRose = false;
  Held = 0;
  FloatingCycles = FadeCycles;
  TestCycles = 0;
}

void TSidOscillator::WriteControl(uint8_t value) {
  const bool test = (value & 0x08) != 0;
  const uint32_t waveform = value >> 4;
  if (test && !Test) {
    Accumulator = 0;
    TestCycles = 0;
  }
  if (!test && Test) {
    // Releasing the test bit shifts the register once, a one entering from the test line.
    NoiseRegister = ((NoiseRegister << 1) | 1) & NoiseResetState;
  }
  if (waveform == 0 && Waveform != 0) FloatingCycles = 0;
  Test = test;
  Ring = (value & 0x04) != 0;
  Sync = (value & 0x02) != 0;
  Waveform = waveform;
}

void TSidOscillator::Age(uint32_t cycles) {
  if (Test) {
    // The held register's cells charge towards ones.
    if (TestCycles < NoiseFillCycles) {
      TestCycles = cycles >= NoiseFillCycles - TestCycles ? NoiseFillCycles : TestCycles + cycles;
      if (TestCycles == NoiseFillCycles) NoiseRegister = NoiseResetState;
    }
    return;
  }
  if (Waveform == 0 && FloatingCycles < FadeCycles) {
    FloatingCycles = cycles >= FadeCycles - FloatingCycles ? FadeCycles : FloatingCycles + cycles;
    if (FloatingCycles == FadeCycles) Held = 0;
  }
}

uint32_t TSidOscillator::CombinedOutput(const TSidOscillator& ringSource, const TSidModelData& model) {
  const uint32_t ringMsb = (Ring && (Waveform & 1)) ? (ringSource.Accumulator & MsbBit) : 0;
  const uint32_t top = ((Accumulator ^ ringMsb) >> 11) & 0x1FFF;
  const uint32_t shape = Waveform & 7;
  uint32_t output = (shape & 4) && !PulseHigh() ? 0 : model.Combined[shape][top];
  if (Waveform & 8) output &= NoiseOutput();
  return output;
}

void TSidOscillator::WriteBackNoise(uint32_t output) {
  // Output bits 11..4 come from register bits 20, 18, 14, 11, 9, 5, 2, 0.
  static constexpr uint32_t RegisterBits[8] = {0, 2, 5, 9, 11, 14, 18, 20};
  for (uint32_t i = 0; i < 8; ++i) {
    if (!(output & (0x10u << i))) NoiseRegister &= ~(1u << RegisterBits[i]);
  }
}
