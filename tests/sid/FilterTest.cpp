// The filter measured the way a lab measures a chip: white noise from voice 1 rendered once
// through the low pass and once past the filter, their spectra divided, the -3 dB point read
// off. The curves measured on the reference recordings' emulation (testdata/sidaudio/
// measurements) are the anchor: the 8580 nearly linear, the 6581 flat up to its knee.
#include <fstream>
#include <map>
#include <sstream>

#include "sid/ChipRig.h"

namespace {

const std::string Measurements = VEXLOR_TESTDATA "/sidaudio/measurements/";

// FC -> the -3 dB cutoff column of a measurement table.
std::map<int, double> MeasuredCutoffs(const std::string& file, const std::string& column) {
  std::ifstream in(Measurements + file);
  std::string line, name;
  std::getline(in, line);
  std::istringstream header(line);
  int index = 0, wanted = -1;
  while (std::getline(header, name, '\t')) {
    if (name == column) wanted = index;
    ++index;
  }
  std::map<int, double> cutoffs;
  while (std::getline(in, line)) {
    std::istringstream row(line);
    std::string cell;
    std::vector<std::string> cells;
    while (std::getline(row, cell, '\t')) cells.push_back(cell);
    if (wanted >= 0 && size_t(wanted) < cells.size()) cutoffs[std::stoi(cells[0])] = std::atof(cells[size_t(wanted)].c_str());
  }
  return cutoffs;
}

std::vector<float> RenderNoise(TSidModel model, int cutoff, uint8_t sustainRelease, bool filtered) {
  TChipRig rig(model);
  rig.Write({{0, 0xFF}, {1, 0xFF}, {5, 0x00}, {6, sustainRelease}, {21, uint8_t(cutoff & 7)},
             {22, uint8_t(cutoff >> 3)}, {23, uint8_t(filtered ? 0x01 : 0x00)}, {24, 0x1F}, {4, 0x81}});
  std::vector<float> out = rig.Render(1.5);
  out.erase(out.begin(), out.begin() + 9600);
  return out;
}

// The first frequency above the pass band where the filtered noise is 3 dB under its pass band.
double MeasureCutoff(TSidModel model, int cutoff, uint8_t sustainRelease) {
  constexpr size_t Size = 32768;
  constexpr double BinHz = 48000.0 / Size;
  const std::vector<double> through = PowerSpectrum(RenderNoise(model, cutoff, sustainRelease, true), Size);
  const std::vector<double> direct = PowerSpectrum(RenderNoise(model, cutoff, sustainRelease, false), Size);
  // Gain per third of an octave from 20 Hz.
  std::vector<std::pair<double, double>> bands;
  for (double low = 20; low < 20000; low *= std::pow(2.0, 1.0 / 6)) {
    const double high = low * std::pow(2.0, 1.0 / 6);
    double y = 0, x = 0;
    for (size_t i = size_t(low / BinHz); i < size_t(high / BinHz) && i < through.size(); ++i) {
      y += through[i];
      x += direct[i];
    }
    if (x > 0) bands.emplace_back(std::sqrt(low * high), 10 * std::log10(y / x));
  }
  const double pass = bands[3].second;
  for (size_t i = 4; i < bands.size(); ++i) {
    if (bands[i].second < pass - 3) {
      const auto& [f0, g0] = bands[i - 1];
      const auto& [f1, g1] = bands[i];
      return f0 * std::pow(f1 / f0, (g0 - (pass - 3)) / (g0 - g1));
    }
  }
  return 0;
}

TEST(Filter, LowPassCutoffFollowsTheMeasuredCurveOfEachModel) {
  if (!std::ifstream(Measurements + "filter_lp_8580.tsv")) GTEST_SKIP() << "no measurements in " << Measurements;
  const struct {
    TSidModel Model;
    const char* File;
    const char* Column;
    uint8_t SustainRelease;
    std::vector<int> Cutoffs;
    double Tolerance;
  } rows[] = {
      {TSidModel::Mos8580, "filter_lp_8580.tsv", "cutoff_hz_3db", 0xF0, {64, 256, 1024}, 0.10},
      // The 6581 bends with the signal level: its small-signal curve, at a quarter of full scale.
      {TSidModel::Mos6581, "filter_lp_6581.tsv", "S4_cutoff_hz_3db", 0x40, {128, 576, 1024}, 0.20},
  };
  for (const auto& row : rows) {
    const std::map<int, double> measured = MeasuredCutoffs(row.File, row.Column);
    for (const int cutoff : row.Cutoffs) {
      ASSERT_TRUE(measured.count(cutoff)) << row.File << " " << cutoff;
      EXPECT_NEAR(MeasureCutoff(row.Model, cutoff, row.SustainRelease), measured.at(cutoff),
                  measured.at(cutoff) * row.Tolerance)
          << row.File << " FC " << cutoff;
    }
  }
}

}  // namespace
