// The chip as a whole: samples played through the volume register, the register bus seen
// through write-only registers, identical output for an identical write stream, and the
// output staying finite and within full scale.
#include <random>

#include "sid/ChipRig.h"

namespace {

double Rms(const std::vector<float>& samples) {
  double sum = 0;
  for (const float s : samples) sum += double(s) * s;
  return std::sqrt(sum / double(samples.size()));
}

// Volume toggled 0/15 at 2 kHz with every voice silent, against a full-scale 1 kHz sawtooth.
double DigiToSawtooth(TSidModel model, bool digiBoost) {
  TChipRig digi(model, PalClock, digiBoost);
  std::vector<float> out;
  for (int half = 0; half < 4000; ++half) {
    digi.Chip.Write(24, half % 2 ? 0x0F : 0x00);
    std::vector<float> part = digi.Render(1.0 / 4000);
    out.insert(out.end(), part.begin(), part.end());
  }
  TChipRig saw(model);
  saw.Write({{0, 0x07}, {1, 0x11}, {5, 0x00}, {6, 0xF0}, {24, 0x0F}, {4, 0x21}});
  return Rms(out) / Rms(saw.Render(1.0));
}

TEST(Chip, VolumeRegisterSamplesAreHeardOnThe6581AndOnlyWithTheBoostOnThe8580) {
  EXPECT_GT(DigiToSawtooth(TSidModel::Mos6581, false), 1.0);
  EXPECT_LT(DigiToSawtooth(TSidModel::Mos8580, false), 0.5);
  EXPECT_GT(DigiToSawtooth(TSidModel::Mos8580, true), 1.0);
}

TEST(Chip, WriteOnlyRegistersReadTheFadingBusAndVoice3IsReadable) {
  const struct {
    TSidModel Model;
    uint32_t StillThere, Faded;
  } rows[] = {{TSidModel::Mos6581, 2000, 20000}, {TSidModel::Mos8580, 200000, 1000000}};
  for (const auto& row : rows) {
    TChipRig rig(row.Model);
    rig.Write({{4, 0x21}});
    EXPECT_EQ(rig.Chip.Read(4), 0x21);
    rig.Run(row.StillThere);
    EXPECT_EQ(rig.Chip.Read(0x1D), 0x21) << "the bus holds the last byte written to any register";
    rig.Run(row.Faded);
    EXPECT_EQ(rig.Chip.Read(4), 0x00);
  }
  TChipRig rig;
  rig.Write({{14, 0x00}, {15, 0x10}, {19, 0x00}, {20, 0xF0}, {18, 0x21}});
  rig.Run(10000);
  EXPECT_EQ(rig.Chip.Read(28), 0xFF);
  const uint8_t first = rig.Chip.Read(27);
  rig.Run(100);
  EXPECT_NE(rig.Chip.Read(27), first) << "oscillator 3's sawtooth moves";
}

std::vector<float> RenderRandomStream(uint32_t seed, TSidModel model) {
  TChipRig rig(model);
  std::mt19937 random(seed);
  std::vector<float> out;
  for (int i = 0; i < 3000; ++i) {
    rig.Chip.Write(uint8_t(random() % 25), uint8_t(random()));
    std::vector<float> part = rig.Render(double(random() % 2000) / PalClock);
    out.insert(out.end(), part.begin(), part.end());
  }
  return out;
}

TEST(Chip, TheSameWriteStreamRendersTheSameSamplesWithinFullScale) {
  for (const TSidModel model : {TSidModel::Mos6581, TSidModel::Mos8580}) {
    const std::vector<float> first = RenderRandomStream(7, model);
    EXPECT_EQ(first, RenderRandomStream(7, model));
    for (const float s : first) {
      ASSERT_TRUE(std::isfinite(s));
      ASSERT_LE(std::fabs(s), 1.0f);
    }
  }
}

}  // namespace
