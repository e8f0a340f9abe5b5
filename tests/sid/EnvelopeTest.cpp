// The envelope generator read back through register 28, cycle by cycle: attack, decay and
// release follow the published rate periods and the exponential divider, the sustain level
// holds (lowering it lets decay go on, raising it never raises the envelope), and a period written below the
// rate counter's count makes the counter run on through 32,768 first (the "ADSR delay").
#include "sid/ChipRig.h"
#include "sid/Envelope.h"

namespace {

struct TEnvelopeRig : TChipRig {
  // Cycles until envelope 3 satisfies the condition, read every `step` cycles.
  template <typename Condition>
  uint64_t CyclesUntil(Condition condition, uint32_t step, uint64_t limit) {
    uint64_t cycles = 0;
    while (!condition(Chip.Read(28)) && cycles < limit) {
      Run(step);
      cycles += step;
    }
    return cycles;
  }
};

// Rate periods of decay and release from 255 to 0, counting the exponential divider: 162
// steps at 1, 39 at 2, 28 at 4, 12 at 8, 8 at 16 and 6 at 30 periods each.
constexpr uint64_t FullDecayPeriods = 162 + 39 * 2 + 28 * 4 + 12 * 8 + 8 * 16 + 6 * 30;

TEST(Envelope, AttackDecayAndReleaseFollowThePublishedRatePeriods) {
  for (const int rate : {0, 2, 5, 8}) {
    const uint64_t period = TSidEnvelope::RatePeriods[rate];
    TEnvelopeRig rig;
    rig.Write({{19, uint8_t(rate << 4 | rate)}, {20, uint8_t(rate)}, {18, 0x01}});
    const uint64_t attack = rig.CyclesUntil([](uint8_t e) { return e == 0xFF; }, 1, 300 * period);
    EXPECT_GE(attack, 254 * period) << "attack " << rate;
    EXPECT_LE(attack, 256 * period) << "attack " << rate;
    const uint64_t decay = rig.CyclesUntil([](uint8_t e) { return e == 0; }, 8, 900 * period);
    EXPECT_NEAR(double(decay), double(FullDecayPeriods * period), 2.0 * period) << "decay " << rate;

    rig.Write({{19, 0x00}, {20, uint8_t(0xF0 | rate)}, {18, 0x00}, {18, 0x01}});
    rig.Run(3000);
    ASSERT_EQ(rig.Chip.Read(28), 0xFF);
    rig.Write({{18, 0x00}});
    const uint64_t release = rig.CyclesUntil([](uint8_t e) { return e == 0; }, 8, 900 * period);
    EXPECT_NEAR(double(release), double(FullDecayPeriods * period), 2.0 * period) << "release " << rate;
  }
}

TEST(Envelope, SustainHoldsAndOnlyALowerLevelLetsDecayGoOn) {
  TEnvelopeRig rig;
  rig.Write({{19, 0x00}, {20, 0x80}, {18, 0x01}});
  rig.Run(20000);
  EXPECT_EQ(rig.Chip.Read(28), 0x88);
  rig.Write({{20, 0x40}});
  rig.Run(20000);
  EXPECT_EQ(rig.Chip.Read(28), 0x44);
  rig.Write({{20, 0xF0}});
  rig.Run(20000);
  EXPECT_EQ(rig.Chip.Read(28), 0x00)
      << "the comparator looks for equality: a level above the counter is never met, so decay runs on";
}

TEST(Envelope, AShorterPeriodBelowTheCountWaitsForTheCounterToWrap) {
  TEnvelopeRig rig;
  rig.Write({{19, 0xF0}, {20, 0xF0}, {18, 0x01}});  // attack 15: 31,251 cycles per step
  rig.Run(20000);
  ASSERT_EQ(rig.Chip.Read(28), 0);
  rig.Write({{19, 0x00}});  // attack 0: 9 cycles, but the counter is already near 20,000
  rig.Run(12000);
  EXPECT_EQ(rig.Chip.Read(28), 0) << "no step before the counter wraps through 32,768";
  const uint64_t toTop = rig.CyclesUntil([](uint8_t e) { return e == 0xFF; }, 1, 10000);
  EXPECT_GT(toTop, 255u * 9);
  EXPECT_LT(toTop, 32768u - 20000 - 12000 + 256 * 9 + 50);
}

}  // namespace
