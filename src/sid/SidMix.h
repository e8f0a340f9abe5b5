#pragma once
// The SID chips of one C64 heard together. A tune for two or three SIDs gives each chip its own
// place in a stereo picture, as a listener would set up the chips on a real machine: the first
// on the left, the second on the right, the third in the middle (a single chip on both sides);
// or every chip in one mono channel. All chips run the same cycles, so each gives the same
// samples to the mix.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "sid/SidChip.h"

enum class TSidMixLayout : uint8_t { Stereo = 0, Mono = 1 };

class TSidMix {
 public:
  static constexpr size_t MaxChips = 3;

  // One chip of each model given (1 to 3), all with the rest of config.
  TSidMix(const TSidConfig& config, std::span<const TSidModel> models, TSidMixLayout layout);

  int Channels() const { return int(Gains.front().size()); }
  const TSidConfig& Config() const { return Chip.front()->Config(); }

  // Register reg of chip n arrives as n × 32 + reg; a chip the mix lacks takes nothing.
  void Write(uint8_t reg, uint8_t value);
  // What chip n answers at its register, asked as n × 32 + register.
  uint8_t Read(uint8_t reg);
  void Reset();
  // Runs every chip the cycles and writes their mix as interleaved frames to out, which must
  // hold MaxFrames(cycles) × Channels() samples. Returns the frames written.
  size_t Clock(uint32_t cycles, float* out);
  size_t MaxFrames(uint32_t cycles) const { return Chip.front()->MaxSamples(cycles); }

 private:
  std::vector<std::unique_ptr<TSidChip>> Chip;
  // Per chip, its gain in each output channel.
  std::vector<std::vector<float>> Gains;
  std::vector<float> ChipSamples;
};
