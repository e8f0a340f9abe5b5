#pragma once
// One SID chip, 6581 or 8580, emulated cycle by cycle: register writes and reads at exact
// cycles in, samples at the host rate out. Chips are independent objects, so several can
// run side by side.
#include <array>
#include <cstdint>
#include <memory>

#include "sid/Envelope.h"
#include "sid/Filter.h"
#include "sid/Oscillator.h"
#include "sid/OutputStage.h"
#include "sid/Resampler.h"
#include "sid/SidModel.h"

struct TSidConfig {
  TSidModel Model = TSidModel::Mos6581;
  double ClockHz = 985248.4444;  // PAL
  int SampleRate = 48000;
  TFilterCurve6581 FilterCurve = TFilterCurve6581::Average;
  // The 8580 board modification that makes samples played through the volume register heard.
  bool DigiBoost = false;
  TResampleQuality Quality = TResampleQuality::Clean;
};

class TSidChip {
 public:
  static constexpr uint8_t Registers = 32;
  // Samples leave the chip in blocks of at most this many cycles.
  static constexpr uint32_t BlockCycles = 4096;

  explicit TSidChip(const TSidConfig& config);

  // Power-on state: every register 0, envelopes silent, noise registers all ones. The
  // resampler's history is kept, so the output runs on without a gap.
  void Reset();
  void Write(uint8_t reg, uint8_t value);
  // Registers 25-28 answer with their values; the write-only ones give the fading bus value.
  uint8_t Read(uint8_t reg);

  // Runs cycles of chip time; out must hold MaxSamples(cycles) samples (floats scaled so that
  // 1.0 is a 16-bit sample's full scale). Returns the count written.
  size_t Clock(uint32_t cycles, float* out);
  size_t MaxSamples(uint32_t cycles) const;

  const TSidConfig& Config() const { return Settings; }
  // The envelope counter of voice 0..2 (the level bars' view of the chip).
  uint8_t EnvelopeLevel(int voice) const { return Voices[size_t(voice)].Envelope.Counter; }

 private:
  struct TVoice {
    TSidOscillator Oscillator;
    TSidEnvelope Envelope;
  };

  // The output side (filter, board and resampler) runs at half the chip's clock, on the mean
  // of each pair of cycles: the filter's 20 kHz stays far below that rate's Nyquist frequency,
  // and what the averaging folds back lies far above the audible band.
  static constexpr uint32_t MixDivider = 2;
  // The filter's input and the direct path, summed over the cycles of a pair.
  struct TPair {
    float Filtered = 0, Direct = 0;
    TPair operator+(const TPair& other) const { return {Filtered + other.Filtered, Direct + other.Direct}; }
  };

  // Returns the mixed samples written to block (at the mixing rate).
  size_t RunBlock(uint32_t cycles, float* block);
  // Each voice's level for every cycle of a block, voice by voice while no voice follows
  // another (the common case, with the waveform chosen once per run), or cycle by cycle while
  // hard sync or ring modulation couples them.
  void RenderVoicesApart(uint32_t cycles);
  void RenderVoicesTogether(uint32_t cycles);
  size_t MixBlock(uint32_t cycles, float* block);
  TPair CycleMix(uint32_t i, const std::array<float, 3>& routed, const std::array<float, 3>& direct, float externalRouted,
                 float externalDirect) const {
    return {externalRouted + Levels[0][i] * routed[0] + Levels[1][i] * routed[1] + Levels[2][i] * routed[2],
            externalDirect + Levels[0][i] * direct[0] + Levels[1][i] * direct[1] + Levels[2][i] * direct[2]};
  }

  void AgeAnalogue(uint32_t cycles);

  TSidConfig Settings;
  const TSidModelData* Model;
  std::array<TVoice, 3> Voices;
  TSidFilter Filter;
  TBoardLowPass BoardLowPass;
  TCouplingHighPass CouplingHighPass;
  std::unique_ptr<TSidResampler> Resampler;
  std::array<float, BlockCycles> Block{};
  std::array<std::array<float, BlockCycles>, 3> Levels{};
  TPair Carry;
  bool Carried = false;
  uint8_t BusValue = 0;
  uint32_t BusAge = 0;
};

// Converts chip samples to signed 16-bit, clipping at full scale.
void ToPcm16(const float* in, size_t count, int16_t* out);
