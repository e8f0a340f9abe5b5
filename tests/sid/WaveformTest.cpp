// The oscillators as heard and as read back: pitch equals register x clock / 2^24, the pulse
// width sets the duty cycle, hard sync and ring modulation give their spectra, and the noise
// register runs the published 23-bit sequence, locks up when combined with another waveform
// and is freed again by the test bit.
#include <algorithm>

#include "sid/ChipRig.h"

namespace {

constexpr double Rate = 48000;
constexpr size_t FftSize = 65536;
constexpr double BinHz = Rate / FftSize;

std::vector<float> Skip(std::vector<float> samples, double seconds) {
  samples.erase(samples.begin(), samples.begin() + long(seconds * Rate));
  return samples;
}

TEST(Waveform, PitchIsRegisterTimesClockOver2To24) {
  const struct {
    uint8_t Control;
    double Clock;
    uint16_t Frequency;
  } rows[] = {{0x11, PalClock, 0x1CD6}, {0x21, PalClock, 0x0E18}, {0x41, PalClock, 0x2F40},
              {0x11, NtscClock, 0x1CD6}, {0x21, NtscClock, 0x0A00}, {0x41, NtscClock, 0x4400}};
  for (const auto& row : rows) {
    TChipRig rig(TSidModel::Mos6581, row.Clock);
    rig.Write({{0, uint8_t(row.Frequency)}, {1, uint8_t(row.Frequency >> 8)}, {3, 0x08}, {5, 0x00}, {6, 0xF0},
               {24, 0x0F}, {4, row.Control}});
    const std::vector<float> out = Skip(rig.Render(1.6), 0.1);
    const double expected = row.Frequency * row.Clock / 16777216.0;
    EXPECT_NEAR(PeakHz(PowerSpectrum(out, FftSize), BinHz), expected, expected * 0.002)
        << "control " << int(row.Control) << " at " << row.Clock << " Hz";
  }
}

TEST(Waveform, PulseWidthSetsTheDutyCycle) {
  for (const uint16_t width : {0x400, 0x800, 0xC00}) {
    TChipRig rig(TSidModel::Mos8580);
    rig.Write({{0, 0xB4}, {1, 0x06}, {2, uint8_t(width)}, {3, uint8_t(width >> 8)}, {5, 0x00}, {6, 0xF0},
               {24, 0x0F}, {4, 0x41}});
    const std::vector<float> out = Skip(rig.Render(0.5), 0.2);
    const auto [low, high] = std::minmax_element(out.begin(), out.end());
    const float middle = (*low + *high) / 2;
    const double highShare = double(std::count_if(out.begin(), out.end(), [&](float s) { return s > middle; })) /
                             double(out.size());
    EXPECT_NEAR(highShare, 1.0 - width / 4096.0, 0.02) << "pulse width " << width;
  }
}

// Voice 1 at 1000 Hz against voice 3 at a lower frequency, voice 3 itself kept out of the mix.
TEST(Waveform, SyncAndRingModulationGiveTheirSpectra) {
  const struct {
    uint8_t Control;
    double Source;
    std::vector<double> Strong, Weak;
  } rows[] = {
      {0x11, 150, {1000}, {850, 1150}},        // plain triangle
      {0x15, 150, {850, 1150}, {1000}},        // ring: the sum and difference tones
      {0x21, 220, {1000}, {880, 1100}},        // plain sawtooth
      {0x23, 220, {880, 1100}, {1000}},        // sync: harmonics of the source's 220 Hz
  };
  for (const auto& row : rows) {
    TChipRig rig;
    const uint16_t own = uint16_t(std::lround(1000 * 16777216.0 / PalClock));
    const uint16_t source = uint16_t(std::lround(row.Source * 16777216.0 / PalClock));
    rig.Write({{0, uint8_t(own)}, {1, uint8_t(own >> 8)}, {5, 0x00}, {6, 0xF0}, {14, uint8_t(source)},
               {15, uint8_t(source >> 8)}, {18, 0x10}, {24, 0x8F}, {4, row.Control}});
    const std::vector<double> power = PowerSpectrum(Skip(rig.Render(1.6), 0.1), FftSize);
    double weakest = 1e300, strongest = 0;
    for (const double hz : row.Strong) weakest = std::min(weakest, PowerNear(power, BinHz, hz));
    for (const double hz : row.Weak) strongest = std::max(strongest, PowerNear(power, BinHz, hz));
    EXPECT_GT(weakest, 10 * strongest) << "control " << int(row.Control);
  }
}

// The published noise generator: shift when accumulator bit 19 rises, bit 0 := bit 22 ^ bit 17,
// output bits 11..4 from register bits 20, 18, 14, 11, 9, 5, 2, 0, reset state all ones.
uint8_t PublishedNoiseByte(uint32_t r) {
  const int taps[8] = {20, 18, 14, 11, 9, 5, 2, 0};
  uint8_t out = 0;
  for (const int tap : taps) out = uint8_t(out << 1 | ((r >> tap) & 1));
  return out;
}

struct TNoiseRig : TChipRig {
  // With frequency $1000 bit 19 rises every 256 cycles, starting 128 cycles after a test reset.
  std::vector<uint8_t> ReadNoise(size_t count) {
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < count; ++i) {
      Run(256);
      bytes.push_back(Chip.Read(27));
    }
    return bytes;
  }
};

TEST(Waveform, NoiseFollowsThePublishedSequenceLocksUpAndTheTestBitFreesIt) {
  TNoiseRig rig;
  rig.Write({{15, 0x10}, {18, 0x88}, {18, 0x80}});
  std::vector<uint8_t> expected;
  uint32_t r = 0x7FFFFF;
  for (int i = 0; i < 2000; ++i) {
    r = ((r << 1) | (((r >> 22) ^ (r >> 17)) & 1)) & 0x7FFFFF;
    expected.push_back(PublishedNoiseByte(r));
  }
  EXPECT_EQ(rig.ReadNoise(2000), expected);

  rig.Write({{18, 0xA0}});  // noise with sawtooth: the combination writes back into the register
  rig.Run(2000000);
  rig.Write({{18, 0x80}});
  const std::vector<uint8_t> locked = rig.ReadNoise(500);
  EXPECT_TRUE(std::all_of(locked.begin(), locked.end(), [](uint8_t b) { return b == 0; })) << "noise locked up";

  rig.Write({{18, 0x88}});
  rig.Run(60000);  // longer than the 6581 needs to refill the held register
  rig.Write({{18, 0x80}});
  const std::vector<uint8_t> freed = rig.ReadNoise(500);
  EXPECT_GT(std::count_if(freed.begin(), freed.end(), [](uint8_t b) { return b != 0; }), 400);
}

}  // namespace
