// Arbitrary register writes at arbitrary distances: the chip must never crash and never send
// out a sample that is not a number, infinite or beyond full scale. The first byte picks the
// model, the 6581 filter curve and the 8580 boost; then every three bytes are a register, a
// value and a distance in units of four cycles.
#include <cmath>
#include <cstdlib>
#include <vector>

#include "sid/SidChip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  TSidConfig config;
  config.Model = data[0] & 1 ? TSidModel::Mos8580 : TSidModel::Mos6581;
  config.FilterCurve = TFilterCurve6581((data[0] >> 1) % 3);
  config.DigiBoost = (data[0] & 8) != 0;
  TSidChip chip(config);
  std::vector<float> out(chip.MaxSamples(255 * 4));
  for (size_t i = 1; i + 2 < size; i += 3) {
    chip.Write(data[i], data[i + 1]);
    if (data[i] & 0x20) chip.Read(data[i]);
    const size_t made = chip.Clock(uint32_t(data[i + 2]) * 4, out.data());
    for (size_t s = 0; s < made; ++s) {
      if (!std::isfinite(out[s]) || std::fabs(out[s]) > 1.0f) std::abort();
    }
  }
  return 0;
}
