#include "cli/AudioRender.h"

#include <algorithm>
#include <cmath>

namespace {

// The chip is clocked at most this many cycles at a time, so the sample buffers stay small.
constexpr uint32_t StepCycles = 20000;

}  // namespace

TSidModel TuneModel(bool sid6581, bool sid8580) {
  return sid8580 && !sid6581 ? TSidModel::Mos8580 : TSidModel::Mos6581;
}

TAudioRender::TAudioRender(const TSidConfig& config, uint64_t endCycle)
    : Chip(config), Samples(Chip.MaxSamples(StepCycles)), Pcm(Samples.size()), EndCycle(endCycle) {}

bool TAudioRender::Open(const std::string& path, std::string& error) {
  return File.Open(path, Chip.Config().SampleRate, 1, error);
}

void TAudioRender::SidWrite(const TCardWrite& write) {
  if (write.C64Cycle >= EndCycle) return;
  AdvanceTo(write.C64Cycle);
  Chip.Write(write.Reg, write.Value);
}

void TAudioRender::AdvanceTo(uint64_t cycle) {
  while (Cycle < cycle && Error.empty()) {
    const uint32_t step = uint32_t(std::min<uint64_t>(cycle - Cycle, StepCycles));
    WriteSamples(Chip.Clock(step, Samples.data()));
    Cycle += step;
  }
}

void TAudioRender::WriteSamples(size_t count) {
  ToPcm16(Samples.data(), count, Pcm.data());
  if (File.Write(Pcm.data(), count, Error)) Written += count;
}

bool TAudioRender::Finish(std::string& error) {
  const TSidConfig& config = Chip.Config();
  const uint64_t wanted = uint64_t(std::llround(double(EndCycle) / config.ClockHz * config.SampleRate));
  AdvanceTo(EndCycle);
  // The resampler holds back a few milliseconds: play on until the file has its full length.
  while (Written < wanted && Error.empty()) {
    const size_t made = Chip.Clock(StepCycles / 10, Samples.data());
    WriteSamples(std::min<uint64_t>(made, wanted - Written));
  }
  if (!Error.empty()) {
    error = Error;
    return false;
  }
  return File.Finish(error);
}
