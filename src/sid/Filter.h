#pragma once
// The SID's state-variable filter: two integrators in a loop giving low, band and high pass
// at 12 dB per octave, the 11-bit cutoff, the resonance, the voice routing and the mode bits.
// The model's data sets the cutoff curve, the outputs' gains and the 6581's bending of the
// integrators under large signals.
#include <cmath>
#include <cstdint>

#include "sid/SidModel.h"

class TSidFilter {
 public:
  void Configure(TSidModel model, TFilterCurve6581 curve, double clockHz);
  void Reset();
  void WriteCutoffLow(uint8_t value);
  void WriteCutoffHigh(uint8_t value);
  void WriteResonanceRouting(uint8_t value);
  void WriteModeVolume(uint8_t value);

  // One cycle: the routed voices' sum in, the selected outputs' mix out. The mix comes out
  // inverted against the direct path, as the chip's summing amplifier gives it.
  float Clock(float input) {
    LowPass += Coefficient * BandPass;
    HighPass = input - LowPass - Damping * BandPass;
    BandPass += Coefficient * HighPass * (1.0f + Drive * std::fabs(HighPass));
    return Offset - (MixLow * LowPass + MixBand * BandPass + MixHigh * HighPass);
  }

  // Which voices (bits 0-2) and the external input (bit 3) pass through the filter.
  uint8_t Routing = 0;
  // Bit 7 of the mode register: voice 3 disconnected from the direct path.
  bool Voice3Off = false;
  uint8_t Volume = 0;
  float Cutoff() const { return CutoffHz; }

 private:
  void UpdateCoefficient();
  void UpdateMix();

  TSidModel Model = TSidModel::Mos6581;
  TFilterCurve6581 Curve = TFilterCurve6581::Average;
  const TSidModelData* Data = nullptr;
  double ClockHz = 985248.4444;
  uint32_t CutoffRegister = 0;
  uint8_t Resonance = 0;
  uint8_t Mode = 0;
  float CutoffHz = 0;
  float Coefficient = 0;
  float Damping = 1.41f;
  float Drive = 0;
  float MixLow = 0, MixBand = 0, MixHigh = 0, Offset = 0;
  float LowPass = 0, BandPass = 0, HighPass = 0;
};
