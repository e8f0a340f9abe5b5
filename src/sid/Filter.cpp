// The filter's register side: the cutoff in Hz from the model's curve, turned into the
// integrators' coefficient at the chip's clock, and the output mix the mode bits select.
#include "sid/Filter.h"

#include <numbers>

void TSidFilter::Configure(TSidModel model, TFilterCurve6581 curve, double clockHz) {
  Model = model;
  Curve = curve;
  Data = &SidModelData(model);
  ClockHz = clockHz;
  Drive = Data->FilterDrive;
  UpdateCoefficient();
  UpdateMix();
}

void TSidFilter::Reset() {
  CutoffRegister = 0;
  Resonance = 0;
  Mode = 0;
  Routing = 0;
  Voice3Off = false;
  Volume = 0;
  LowPass = BandPass = HighPass = 0;
  UpdateCoefficient();
  UpdateMix();
}

void TSidFilter::WriteCutoffLow(uint8_t value) {
  CutoffRegister = (CutoffRegister & 0x7F8) | (value & 7);
  UpdateCoefficient();
}

void TSidFilter::WriteCutoffHigh(uint8_t value) {
  CutoffRegister = (CutoffRegister & 7) | uint32_t(value) << 3;
  UpdateCoefficient();
}

void TSidFilter::WriteResonanceRouting(uint8_t value) {
  Resonance = value >> 4;
  Routing = value & 0x0F;
  UpdateCoefficient();
}

void TSidFilter::WriteModeVolume(uint8_t value) {
  Mode = (value >> 4) & 7;
  Voice3Off = (value & 0x80) != 0;
  Volume = value & 0x0F;
  UpdateMix();
}

void TSidFilter::UpdateCoefficient() {
  if (!Data) return;
  CutoffHz = FilterCutoffHz(Model, Curve, CutoffRegister);
  Coefficient = float(2.0 * std::sin(std::numbers::pi * CutoffHz / ClockHz));
  Damping = Data->DampingAtRes0 + (Data->DampingAtRes15 - Data->DampingAtRes0) * float(Resonance) / 15.0f;
}

void TSidFilter::UpdateMix() {
  if (!Data) return;
  MixLow = (Mode & 1) ? Data->LowPassGain : 0.0f;
  MixBand = (Mode & 2) ? Data->BandPassGain : 0.0f;
  MixHigh = (Mode & 4) ? Data->HighPassGain : 0.0f;
  Offset = Mode ? Data->FilterOffset : 0.0f;
}
