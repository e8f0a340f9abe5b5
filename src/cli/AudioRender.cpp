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

TAudioRender::TAudioRender(const TSidConfig& config, std::span<const TSidModel> models, TSidMixLayout layout,
                           uint64_t endCycle)
    : Mix(config, models, layout),
      Samples(Mix.MaxFrames(StepCycles) * size_t(Mix.Channels())),
      Pcm(Samples.size()),
      EndCycle(endCycle) {}

bool TAudioRender::Open(const std::string& path, std::string& error) {
  return File.Open(path, Mix.Config().SampleRate, Mix.Channels(), error);
}

void TAudioRender::SidWrite(const TCardWrite& write) {
  if (write.C64Cycle >= EndCycle) return;
  AdvanceTo(write.C64Cycle);
  Mix.Write(write.Reg, write.Value);
}

void TAudioRender::AdvanceTo(uint64_t cycle) {
  while (Cycle < cycle && Error.empty()) {
    const uint32_t step = uint32_t(std::min<uint64_t>(cycle - Cycle, StepCycles));
    WriteFrames(Mix.Clock(step, Samples.data()));
    Cycle += step;
  }
}

void TAudioRender::WriteFrames(size_t count) {
  ToPcm16(Samples.data(), count * size_t(Mix.Channels()), Pcm.data());
  if (File.Write(Pcm.data(), count, Error)) Written += count;
}

bool TAudioRender::Finish(std::string& error) {
  const TSidConfig& config = Mix.Config();
  const uint64_t wanted = uint64_t(std::llround(double(EndCycle) / config.ClockHz * config.SampleRate));
  AdvanceTo(EndCycle);
  // The resampler holds back a few milliseconds: play on until the file has its full length.
  while (Written < wanted && Error.empty()) {
    const size_t made = Mix.Clock(StepCycles / 10, Samples.data());
    WriteFrames(std::min<uint64_t>(made, wanted - Written));
  }
  if (!Error.empty()) {
    error = Error;
    return false;
  }
  return File.Finish(error);
}
