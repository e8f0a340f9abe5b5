// Several chips heard together: each chip is the model it was given and sits where the layout
// puts it. Measured against lone chips fed the same writes.
#include <gtest/gtest.h>

#include <vector>

#include "ChipRig.h"
#include "sid/SidMix.h"

namespace {

constexpr uint32_t Cycles = 50000;

// A filtered sawtooth, where the two models differ most.
void PlayNote(auto& chip, uint8_t base) {
  for (const auto& [reg, value] : std::initializer_list<std::pair<uint8_t, uint8_t>>{
           {1, 0x12}, {5, 0x00}, {6, 0xF0}, {22, 0x30}, {23, 0xF1}, {24, 0x1F}, {4, 0x21}})
    chip.Write(uint8_t(base + reg), value);
}

std::vector<float> LoneChip(TSidModel model) {
  TChipRig rig(model);
  PlayNote(rig.Chip, 0);
  std::vector<float> out(rig.Chip.MaxSamples(Cycles));
  out.resize(rig.Chip.Clock(Cycles, out.data()));
  return out;
}

}  // namespace

TEST(SidMix, EachChipIsItsOwnModelInItsPlaceOfTheLayout) {
  const std::vector<float> mos6581 = LoneChip(TSidModel::Mos6581);
  const std::vector<float> mos8580 = LoneChip(TSidModel::Mos8580);
  double apart = 0, level = 0;
  for (size_t i = 0; i < mos6581.size(); ++i) {
    apart += std::abs(mos6581[i] - mos8580[i]);
    level += std::abs(mos6581[i]);
  }
  ASSERT_GT(apart, 0.1 * level) << "the models must tell apart";
  const struct {
    std::vector<TSidModel> Models;
    TSidMixLayout Layout;
    std::vector<bool> Playing;
    int Channels;
    // Per channel: the gain of the lone 6581's and of the lone 8580's samples.
    std::vector<std::pair<float, float>> Expected;
  } cases[] = {
      {{TSidModel::Mos6581}, TSidMixLayout::Mono, {true}, 1, {{1, 0}}},
      {{TSidModel::Mos6581}, TSidMixLayout::Stereo, {true}, 2, {{1, 0}, {1, 0}}},
      {{TSidModel::Mos6581, TSidModel::Mos8580}, TSidMixLayout::Stereo, {true, true}, 2, {{1, 0}, {0, 1}}},
      {{TSidModel::Mos6581, TSidModel::Mos8580}, TSidMixLayout::Mono, {true, true}, 1, {{1, 1}}},
      {{TSidModel::Mos8580, TSidModel::Mos8580, TSidModel::Mos6581},
       TSidMixLayout::Stereo,
       {false, false, true},
       2,
       {{0.7071f, 0}, {0.7071f, 0}}},
  };
  for (const auto& c : cases) {
    TSidMix mix({}, c.Models, c.Layout);
    ASSERT_EQ(mix.Channels(), c.Channels);
    for (size_t chip = 0; chip < c.Models.size(); ++chip)
      if (c.Playing[chip]) PlayNote(mix, uint8_t(chip * 32));
    std::vector<float> out(mix.MaxFrames(Cycles) * size_t(mix.Channels()));
    const size_t frames = mix.Clock(Cycles, out.data());
    ASSERT_EQ(frames, mos6581.size());
    for (size_t frame = 0; frame < frames; frame += 97) {
      for (int channel = 0; channel < c.Channels; ++channel) {
        const auto [gain6581, gain8580] = c.Expected[size_t(channel)];
        EXPECT_NEAR(out[frame * size_t(c.Channels) + size_t(channel)],
                    gain6581 * mos6581[frame] + gain8580 * mos8580[frame], 1e-3f)
            << c.Models.size() << " chips, frame " << frame << ", channel " << channel;
      }
    }
  }
}
