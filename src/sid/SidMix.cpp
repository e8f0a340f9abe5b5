#include "sid/SidMix.h"

#include <algorithm>

namespace {

// A chip in the middle of the stereo picture keeps its loudness: half its power on each side.
constexpr float CentreGain = 0.70710678f;

std::vector<std::vector<float>> LayoutGains(size_t chips, TSidMixLayout layout) {
  if (layout == TSidMixLayout::Mono) return std::vector<std::vector<float>>(chips, {1.0f});
  if (chips == 1) return {{1.0f, 1.0f}};
  std::vector<std::vector<float>> gains = {{1.0f, 0.0f}, {0.0f, 1.0f}, {CentreGain, CentreGain}};
  gains.resize(chips);
  return gains;
}

}  // namespace

TSidMix::TSidMix(const TSidConfig& config, std::span<const TSidModel> models, TSidMixLayout layout) {
  const size_t chips = std::clamp<size_t>(models.size(), 1, MaxChips);
  for (size_t index = 0; index < chips; ++index) {
    TSidConfig chip = config;
    if (index < models.size()) chip.Model = models[index];
    Chip.push_back(std::make_unique<TSidChip>(chip));
  }
  Gains = LayoutGains(chips, layout);
  ChipSamples.resize(Chip.front()->MaxSamples(TSidChip::BlockCycles));
}

void TSidMix::Write(uint8_t reg, uint8_t value) {
  const size_t chip = reg / TSidChip::Registers;
  if (chip < Chip.size()) Chip[chip]->Write(reg % TSidChip::Registers, value);
}

uint8_t TSidMix::Read(uint8_t reg) {
  const size_t chip = reg / TSidChip::Registers;
  return chip < Chip.size() ? Chip[chip]->Read(reg % TSidChip::Registers) : 0;
}

void TSidMix::Reset() {
  for (const std::unique_ptr<TSidChip>& chip : Chip) chip->Reset();
}

size_t TSidMix::Clock(uint32_t cycles, float* out) {
  const size_t channels = size_t(Channels());
  if (ChipSamples.size() < MaxFrames(cycles)) ChipSamples.resize(MaxFrames(cycles));
  size_t frames = 0;
  for (size_t index = 0; index < Chip.size(); ++index) {
    const size_t made = Chip[index]->Clock(cycles, ChipSamples.data());
    // Equal cycles give every chip the same samples; the first chip's count is the mix's.
    if (index == 0) {
      frames = made;
      std::fill(out, out + frames * channels, 0.0f);
    }
    const std::vector<float>& gains = Gains[index];
    for (size_t frame = 0; frame < std::min(frames, made); ++frame)
      for (size_t channel = 0; channel < channels; ++channel)
        out[frame * channels + channel] += gains[channel] * ChipSamples[frame];
  }
  return frames;
}
