#pragma once
// What a sound output played, as the tests see it: SDL's disk driver writes every frame the
// callback produced into a file. Waiting is done on the device's frame counts, never on time.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "audio/SoundOutput.h"

// Polls until done() holds; the bound only keeps a broken output from hanging the suite.
inline void WaitFor(const std::function<bool()>& done) {
  for (int polls = 0; polls < 20000 && !done(); ++polls) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_TRUE(done()) << "the sound output made no progress";
}

// Waits until the ring is empty and one more device buffer has passed, so that the fade at the
// end of the stream has reached the device too.
inline void WaitUntilDrained(const TSoundOutput& output) {
  WaitFor([&] { return output.QueuedFrames() == output.DeviceBufferFrames(); });
  const int64_t drained = output.DeliveredFrames();
  WaitFor([&] { return output.DeliveredFrames() >= drained + 2 * output.DeviceBufferFrames(); });
}

// The signed 16-bit samples of a raw file.
inline std::vector<int16_t> ReadSamples(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), {}};
  std::vector<int16_t> samples(bytes.size() / sizeof(int16_t));
  std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(int16_t));
  return samples;
}

// The largest step between neighbouring frames of one channel, from frame first on.
inline int MaxStep(const std::vector<int16_t>& samples, int channels, size_t first = 0) {
  int largest = 0;
  for (size_t at = std::max(first, size_t(1)) * size_t(channels); at < samples.size(); ++at)
    largest = std::max(largest, std::abs(samples[at] - samples[at - size_t(channels)]));
  return largest;
}

// The first frame that is not silent.
inline size_t SoundStart(const std::vector<int16_t>& samples, int channels) {
  const auto first = std::find_if(samples.begin(), samples.end(), [](int16_t s) { return s != 0; });
  return size_t(first - samples.begin()) / size_t(channels);
}
