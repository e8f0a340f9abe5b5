// libsoxr at 16-bit quality: a pass band to 91 % of the output's Nyquist frequency, the
// stop band from Nyquist on at about 96 dB down.
#include "sid/Resampler.h"

#include <soxr.h>

#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

TSidResampler::TSidResampler(double inputRate, double outputRate, TResampleQuality quality)
    : Input(inputRate), Output(outputRate) {
  const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
  const soxr_quality_spec_t spec = soxr_quality_spec(quality == TResampleQuality::Clean ? SOXR_16_BITQ : SOXR_LQ, 0);
  const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
  soxr_error_t error = nullptr;
  Handle = soxr_create(inputRate, outputRate, 1, &error, &io, &spec, &runtime);
  if (error || !Handle) throw std::runtime_error(std::string("resampler: ") + (error ? error : "cannot start"));
  Prime();
}

// libsoxr grows its internal buffers during its first few hundred milliseconds of input. A
// quarter of a second of silence, sent through and dropped, lets them reach their full size
// here rather than in the middle of playback; it leaves a few milliseconds of silence queued.
void TSidResampler::Prime() {
  constexpr size_t Chunk = 8192;  // more than the chip ever sends at once
  const std::vector<float> silence(Chunk, 0.0f);
  std::vector<float> dropped(MaxOutput(Chunk));
  for (size_t fed = 0; fed < size_t(Input / 4); fed += Chunk) Process(silence.data(), Chunk, dropped.data());
}

TSidResampler::~TSidResampler() { soxr_delete(Handle); }

size_t TSidResampler::MaxOutput(size_t count) const { return size_t(std::ceil(double(count) * Output / Input)) + 16; }

size_t TSidResampler::Process(const float* in, size_t count, float* out) {
  size_t produced = 0;
  const size_t room = MaxOutput(count);
  while (count > 0) {
    size_t used = 0, made = 0;
    soxr_process(Handle, in, count, &used, out + produced, room - produced, &made);
    produced += made;
    in += used;
    count -= used;
    if (used == 0 && made == 0) break;
  }
  return produced;
}
