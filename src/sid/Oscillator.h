#pragma once
// One voice's waveform generator: the 24-bit phase accumulator, the 23-bit noise shift
// register, the pulse comparator and the waveform selector that feeds the voice's DAC.
#include <cstdint>

#include "sid/SidModel.h"

class TSidOscillator {
 public:
  static constexpr uint32_t AccumulatorMask = 0xFFFFFF;
  static constexpr uint32_t MsbBit = 0x800000;
  static constexpr uint32_t NoiseClockBit = 0x080000;
  static constexpr uint32_t NoiseResetState = 0x7FFFFF;

  void Reset();
  void WriteFrequencyLow(uint8_t value) { Frequency = (Frequency & 0xFF00) | value; }
  void WriteFrequencyHigh(uint8_t value) { Frequency = (Frequency & 0x00FF) | uint32_t(value) << 8; }
  void WritePulseLow(uint8_t value) { PulseWidth = (PulseWidth & 0xF00) | value; }
  void WritePulseHigh(uint8_t value) { PulseWidth = (PulseWidth & 0x0FF) | uint32_t(value & 0x0F) << 8; }
  // The control register's waveform, test, ring and sync bits (the gate belongs to the envelope).
  void WriteControl(uint8_t value);

  // One cycle of the accumulator; the noise register shifts when bit 19 rises.
  void Clock() {
    if (Test) return;
    const uint32_t previous = Accumulator;
    Accumulator = (Accumulator + Frequency) & AccumulatorMask;
    MsbRose = (~previous & Accumulator & MsbBit) != 0;
    if (~previous & Accumulator & NoiseClockBit) ShiftNoise();
  }
  // Hard sync: called after every voice has clocked, with the sync source's state.
  void Synchronize(const TSidOscillator& source) {
    if (Sync && source.MsbRose) Accumulator = 0;
  }
  // The 12-bit waveform value for this cycle; ringSource supplies the ring modulation MSB.
  uint32_t Output(const TSidOscillator& ringSource, const TSidModelData& model) {
    switch (Waveform) {
      case 0:
        return FloatingOutput();
      case 8:
        return Held = NoiseOutput();
      case 4:
        return Held = PulseHigh() ? 0xFFF : 0;
      default:
        break;
    }
    return Held = CombinedOutput(ringSource, model);
  }

  // The slow analogue effects over a stretch of cycles: a floating DAC input fading to zero
  // and the test bit's charging of the noise register.
  void Age(uint32_t cycles);

  uint32_t Accumulator = 0;
  uint32_t Frequency = 0;
  uint32_t PulseWidth = 0;
  uint32_t NoiseRegister = NoiseResetState;
  uint32_t Waveform = 0;  // the control register's bits 4-7 as 0..15
  bool Test = false;
  bool Ring = false;
  bool Sync = false;
  bool MsbRose = false;
  // The DAC input's last driven value and the cycles it has floated since.
  uint32_t Held = 0;
  uint32_t FloatingCycles = 0;
  uint32_t FadeCycles = 0;
  // Cycles the test bit has held the noise register.
  uint32_t TestCycles = 0;
  uint32_t NoiseFillCycles = 0;

 private:
  bool PulseHigh() const { return Test || (Accumulator >> 12) >= PulseWidth; }
  uint32_t NoiseOutput() const {
    const uint32_t r = NoiseRegister;
    return ((r >> 9) & 0x800) | ((r >> 8) & 0x400) | ((r >> 5) & 0x200) | ((r >> 3) & 0x100) | ((r >> 2) & 0x080) |
           ((r << 1) & 0x040) | ((r << 3) & 0x020) | ((r << 4) & 0x010);
  }
  uint32_t FloatingOutput() const { return Held; }
  void ShiftNoise() {
    // The register's stages latch what the waveform lines carry when they shift: noise
    // combined with another waveform loses the bits that waveform pulls low.
    if ((Waveform & 8) && (Waveform & 7)) WriteBackNoise(Held);
    const uint32_t feedback = ((NoiseRegister >> 22) ^ (NoiseRegister >> 17)) & 1;
    NoiseRegister = ((NoiseRegister << 1) | feedback) & NoiseResetState;
  }
  uint32_t CombinedOutput(const TSidOscillator& ringSource, const TSidModelData& model);
  // Clears the register's output bits that are low in the combined value: the noise decays
  // and can lock up at zero.
  void WriteBackNoise(uint32_t output);
};
