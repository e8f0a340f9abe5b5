#pragma once
// From the chip's 1 MHz stream to the host's sample rate, band-limited so that the
// waveforms' harmonics above the audible band do not fold back into it (libsoxr).
#include <cstddef>
#include <cstdint>

struct soxr;

enum class TResampleQuality : uint8_t { Clean, Fast };

class TSidResampler {
 public:
  TSidResampler(double inputRate, double outputRate, TResampleQuality quality);
  ~TSidResampler();
  TSidResampler(const TSidResampler&) = delete;
  TSidResampler& operator=(const TSidResampler&) = delete;

  // Consumes every input sample; out must hold MaxOutput(count) samples.
  size_t Process(const float* in, size_t count, float* out);
  // Output room that count input samples may need.
  size_t MaxOutput(size_t count) const;
  double OutputRate() const { return Output; }
  double InputRate() const { return Input; }

 private:
  void Prime();

  soxr* Handle = nullptr;
  double Input;
  double Output;
};
