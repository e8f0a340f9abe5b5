// The two chip models as data: the R-2R ladders of their DACs, the bit patterns of their
// combined waveforms, their DC levels, their filter figures and how fast their floating
// inputs fade.
#include "sid/SidModel.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// An R-2R ladder with `bits` inputs: the output voltage for each input bit alone (the ladder
// is linear, so a code's output is the sum over its set bits). The 6581's 2R legs are 2.2 R
// and its ladder lacks the termination at the LSB end; the 8580's ladder is exact.
std::vector<double> LadderBitWeights(int bits, double twoROverR, bool terminated) {
  const size_t nodes = static_cast<size_t>(bits);
  std::vector<double> weights(nodes);
  const double legConductance = 1.0 / twoROverR;  // the 2R legs, with R = 1
  for (int on = 0; on < bits; ++on) {
    // Node equations along the chain n0 (LSB) .. n[bits-1] (output), solved as a tridiagonal
    // system: the diagonal, the couplings of neighbours (-1 through R) and the driven legs.
    std::vector<double> diagonal(nodes), rhs(nodes);
    for (int node = 0; node < bits; ++node) {
      double sum = legConductance;
      if (node > 0) sum += 1.0;
      if (node < bits - 1) sum += 1.0;
      if (node == 0 && terminated) sum += legConductance;
      diagonal[size_t(node)] = sum;
      rhs[size_t(node)] = node == on ? legConductance : 0.0;
    }
    for (int node = 1; node < bits; ++node) {
      const double factor = -1.0 / diagonal[size_t(node - 1)];
      diagonal[size_t(node)] -= factor * -1.0;
      rhs[size_t(node)] -= factor * rhs[size_t(node - 1)];
    }
    std::vector<double> voltage(nodes);
    for (int node = bits - 1; node >= 0; --node) {
      const double next = node < bits - 1 ? voltage[size_t(node + 1)] : 0.0;
      voltage[size_t(node)] = (rhs[size_t(node)] + next) / diagonal[size_t(node)];
    }
    weights[size_t(on)] = voltage[size_t(bits - 1)];
  }
  return weights;
}

template <size_t N>
void FillDac(std::array<float, N>& table, int bits, double twoROverR, bool terminated) {
  const std::vector<double> weights = LadderBitWeights(bits, twoROverR, terminated);
  double fullScale = 0;
  for (const double weight : weights) fullScale += weight;
  for (size_t code = 0; code < N; ++code) {
    double level = 0;
    for (int bit = 0; bit < bits; ++bit) {
      if (code & (size_t(1) << bit)) level += weights[size_t(bit)];
    }
    table[code] = float(level / fullScale);
  }
}

// When several waveforms drive the DAC inputs together, a low bit line pulls its neighbours
// low through the chip's transistors: a bit stays high only where the lines around it are
// mostly high as well. `reach` is how far that pull carries from bit to bit, `threshold` the
// share of high neighbours a bit needs; the 8580's stronger drivers keep more bits high.
uint16_t CombineBits(uint32_t anded, double reach, double threshold) {
  uint16_t out = 0;
  for (int bit = 0; bit < 12; ++bit) {
    if (!(anded & (1u << bit))) continue;
    double high = 0, total = 0;
    for (int other = 0; other < 12; ++other) {
      const double weight = std::pow(reach, std::abs(other - bit));
      total += weight;
      if (anded & (1u << other)) high += weight;
    }
    if (high / total >= threshold) out = uint16_t(out | (1u << bit));
  }
  return out;
}

void FillCombined(TSidModelData& data, double reach, double threshold) {
  for (uint32_t waves = 0; waves < 8; ++waves) {
    for (uint32_t top = 0; top < 8192; ++top) {
      const uint32_t triangle = (top & 0x1000) ? (~top & 0xFFF) : (top & 0xFFF);
      const uint32_t sawtooth = top >> 1;
      uint32_t anded = 0xFFF;
      if (waves & 1) anded &= triangle;
      if (waves & 2) anded &= sawtooth;
      const bool single = waves == 1 || waves == 2 || waves == 4;
      data.Combined[waves][top] = waves == 0 ? 0 : single ? uint16_t(anded) : CombineBits(anded, reach, threshold);
    }
  }
}

TSidModelData Make6581() {
  TSidModelData data;
  FillDac(data.WaveDac, 12, 2.20, false);
  FillDac(data.EnvelopeDac, 8, 2.20, false);
  FillCombined(data, 0.55, 0.72);
  // A full-scale sawtooth sits 0.18 of its swing below the level of a silent voice, and the
  // three voices' offsets together step the output by 1.03 swings when the volume goes 0 to 15.
  data.WaveZero = 0.317f;
  data.VoiceOffset = 0.344f;
  data.FilterOffset = -0.099f;
  data.LowPassGain = 0.83f;
  data.BandPassGain = 0.62f;
  data.HighPassGain = 0.60f;
  data.DampingAtRes0 = 1.27f;
  data.DampingAtRes15 = 0.48f;
  data.FilterDrive = 0.35f;
  data.WaveFadeCycles = 54000;
  data.NoiseFillCycles = 50000;
  data.BusFadeCycles = 7000;
  data.OutputScale = 5756.0f;
  return data;
}

TSidModelData Make8580() {
  TSidModelData data;
  FillDac(data.WaveDac, 12, 2.00, true);
  FillDac(data.EnvelopeDac, 8, 2.00, true);
  FillCombined(data, 0.70, 0.45);
  data.WaveZero = 0.442f;
  data.VoiceOffset = -0.056f;
  data.FilterOffset = 0.013f;
  data.DigiBoostLevel = -1.62f;
  data.LowPassGain = 1.03f;
  data.BandPassGain = 1.0f;
  data.HighPassGain = 1.04f;
  data.DampingAtRes0 = 1.41f;
  data.DampingAtRes15 = 0.385f;
  data.FilterDrive = 0.0f;
  data.WaveFadeCycles = 800000;
  data.NoiseFillCycles = 986000;
  data.BusFadeCycles = 660000;
  data.OutputScale = 3071.0f;
  return data;
}

// The 6581's cutoff stays near its floor until the cutoff DAC's voltage lifts the filter's
// transistors past their threshold, then rises nearly linearly: a floor, a slope in Hz per
// register step, the register value of the knee and its width.
struct TCurve6581 {
  double FloorHz, SlopeHz, Knee, Width;
};

constexpr TCurve6581 Curves6581[] = {
    {260.0, 15.96, 420.5, 46.4},  // Average
    {230.0, 17.5, 340.0, 42.0},   // Bright
    {300.0, 14.0, 520.0, 50.0},   // Dark
};

constexpr double MaxCutoffHz = 20000.0;

}  // namespace

const TSidModelData& SidModelData(TSidModel model) {
  static const TSidModelData mos6581 = Make6581();
  static const TSidModelData mos8580 = Make8580();
  return model == TSidModel::Mos8580 ? mos8580 : mos6581;
}

float FilterCutoffHz(TSidModel model, TFilterCurve6581 curve, uint32_t cutoffRegister) {
  const double fc = double(cutoffRegister & 0x7FF);
  if (model == TSidModel::Mos8580) {
    // Nearly linear, bending slightly upwards towards the top; 0 closes the filter.
    return float(6.882 * fc + 3.777e-4 * fc * fc);
  }
  const TCurve6581& c = Curves6581[std::min<size_t>(size_t(curve), std::size(Curves6581) - 1)];
  const double x = (fc - c.Knee) / c.Width;
  const double softplus = x > 30 ? x : std::log1p(std::exp(x));
  return float(std::min(MaxCutoffHz, c.FloorHz + c.SlopeHz * c.Width * softplus));
}
