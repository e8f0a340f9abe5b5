// The sound output through SDL's real code path without a sound card: the dummy driver
// consumes frames at the device's pace, the disk driver also writes every frame the callback
// produced into a file, which the tests read as what the speaker would have played.
// Waiting is done on the device's frame counts; no case asserts on time.
#include <gtest/gtest.h>
#include <SDL.h>
#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "audio/HeardSound.h"
#include "audio/ScratchFolder.h"
#include "audio/SoundOutput.h"

namespace {

constexpr int kRate = 48000;
// The largest step between neighbouring samples that is not a click: a full-scale jump is
// 16 times this, the sweeps below step at most 1,382 (16,000 at 660 Hz).
constexpr int kClickThreshold = 2000;

// A tone whose pitch rises by half of hertz every second: smooth, and never repeating itself,
// so that a piece of it is found in the output at one place only. Channels differ in level.
std::vector<int16_t> Sweep(double hertz, double amplitude, size_t frames, int channels,
                           double phase = 0.05) {
  std::vector<int16_t> samples;
  for (size_t frame = 0; frame < frames; ++frame) {
    const double seconds = double(frame) / kRate;
    const double angle = phase + 2 * std::numbers::pi * hertz * (seconds + seconds * seconds / 4);
    for (int channel = 0; channel < channels; ++channel) {
      samples.push_back(int16_t(std::lrint(amplitude * (1 - 0.25 * channel) * std::sin(angle))));
    }
  }
  return samples;
}

// How many frames from the start of expected appear unchanged at frame at of heard.
size_t SameFrames(const std::vector<int16_t>& heard, size_t at, const std::vector<int16_t>& expected,
                  int channels) {
  const auto from = heard.begin() + std::ptrdiff_t(at * size_t(channels));
  const size_t length = std::min(expected.size(), size_t(heard.end() - from));
  const auto differ = std::mismatch(expected.begin(), expected.begin() + std::ptrdiff_t(length), from);
  return size_t(differ.first - expected.begin()) / size_t(channels);
}

class SoundOutputTest : public testing::Test {
 protected:
  void TearDown() override {
    unsetenv("SDL_AUDIODRIVER");
    unsetenv("SDL_DISKAUDIOFILE");
    unsetenv("SDL_DISKAUDIODELAY");
  }
  void UseDriver(const char* driver) { setenv("SDL_AUDIODRIVER", driver, 1); }
  // The disk driver, writing to a file in the scratch folder; delayMs > 0 holds its thread
  // that long after every device buffer.
  void UseDisk(const std::string& name = "heard.raw", int delayMs = 0) {
    UseDriver("disk");
    setenv("SDL_DISKAUDIOFILE", (Folder / name).c_str(), 1);
    if (delayMs > 0) setenv("SDL_DISKAUDIODELAY", std::to_string(delayMs).c_str(), 1);
  }
  std::vector<int16_t> Heard() const { return ReadSamples(Folder / "heard.raw"); }
  void Open(int channels, int latencyMs) {
    std::string error;
    ASSERT_TRUE(Output.Open(kRate, channels, latencyMs, error)) << error;
    ASSERT_EQ(Output.Rate(), kRate) << "the disk driver plays any rate it is asked for";
  }

  TScratchFolder Folder;
  TSoundOutput Output;
};

// The whole stream fits the ring in one write, so it reaches the device in one piece whatever
// the machine is busy with.
TEST_F(SoundOutputTest, TheDeviceReceivesTheFramesUnchanged) {
  for (const int channels : {1, 2}) {
    SCOPED_TRACE(channels);
    UseDisk();
    Open(channels, 600);
    std::vector<int16_t> frames(size_t(kRate / 4 * channels));
    std::minstd_rand generator(6581);
    for (int16_t& sample : frames) sample = int16_t(generator() & 0xFFFF);
    frames[0] = 32767;
    ASSERT_EQ(Output.Write(frames.data(), frames.size() / size_t(channels)), frames.size() / size_t(channels));
    WaitUntilDrained(Output);
    Output.Close();
    const std::vector<int16_t> heard = Heard();
    const size_t start = SoundStart(heard, channels);
    EXPECT_EQ(SameFrames(heard, start, frames, channels), frames.size() / size_t(channels));
    EXPECT_EQ(heard.back(), 0) << "the end fades to silence";
    EXPECT_EQ(Output.Underruns(), 1) << "only the end of the stream ran dry";
  }
}

// After every write the producer is at most the latency ahead of what the device has taken.
TEST_F(SoundOutputTest, WritesKeepThePaceOfTheDevice) {
  UseDriver("dummy");
  Open(2, 50);
  const std::vector<int16_t> chunk = Sweep(440, 8000, 480, 2);
  int64_t written = 0;
  for (int chunks = 0; chunks < 40; ++chunks) {
    written += int64_t(Output.Write(chunk.data(), 480));
    EXPECT_LE(written - Output.DeliveredFrames(), Output.LatencyFrames());
  }
  EXPECT_EQ(written, 40 * 480);
  EXPECT_LE(Output.LatencyFrames(), kRate * 50 / 1000 + Output.DeviceBufferFrames());
}

TEST_F(SoundOutputTest, AWaitingWriteReturnsOnAbort) {
  UseDriver("dummy");
  Open(1, 50);
  Output.Pause(true);
  std::atomic<bool> abort{false};
  std::thread stopper([&] {
    WaitFor([&] { return Output.QueuedFrames() == Output.LatencyFrames(); });
    abort = true;
  });
  const std::vector<int16_t> frames(kRate, 1000);
  const size_t queued = Output.Write(frames.data(), frames.size(), &abort);
  stopper.join();
  EXPECT_LT(queued, frames.size());
  EXPECT_GE(int64_t(queued), Output.LatencyFrames() - Output.DeviceBufferFrames());
  EXPECT_FALSE(Output.DeviceLost()) << "a paused device still runs";
}

TEST_F(SoundOutputTest, PauseFadesOutAndBackInWithoutLosingFrames) {
  UseDisk();
  Open(2, 1500);
  const size_t frames = kRate * 9 / 10;
  const std::vector<int16_t> tone = Sweep(440, 16000, frames, 2);
  ASSERT_EQ(Output.Write(tone.data(), frames), frames);
  WaitFor([&] { return Output.QueuedFrames() < Output.DeviceBufferFrames() + kRate * 6 / 10; });
  Output.Pause(true);
  const int64_t pausedAt = Output.DeliveredFrames();
  // The callback sees the pause from its next device buffer on: two buffers are paused for sure.
  WaitFor([&] { return Output.DeliveredFrames() >= pausedAt + 3 * Output.DeviceBufferFrames(); });
  Output.Pause(false);
  WaitUntilDrained(Output);
  Output.Close();

  const std::vector<int16_t> heard = Heard();
  EXPECT_LE(MaxStep(heard, 2), kClickThreshold);
  const size_t start = SoundStart(heard, 2);
  EXPECT_LT(SameFrames(heard, start, tone, 2), frames) << "the pause came during the tone";
  // The last tenth of a second plays unchanged, after a stretch of silence.
  const std::vector<int16_t> end(tone.end() - kRate / 10 * 2, tone.end());
  const auto ending = std::search(heard.begin(), heard.end(), end.begin(), end.end());
  ASSERT_NE(ending, heard.end());
  const auto silence = std::search_n(heard.begin() + std::ptrdiff_t(start * 2), ending, kRate / 20 * 2, 0);
  ASSERT_NE(silence, ending) << "no silence while paused";
  const auto resumed = std::find_if(silence, ending, [](int16_t s) { return s != 0; });
  // Every frame is heard once: the tone and the pause's silence add up, within a fade's length.
  const auto heardFrames = size_t((ending + std::ptrdiff_t(end.size()) - heard.begin()) - (resumed - silence)) / 2 - start;
  EXPECT_NEAR(double(heardFrames), double(frames), kRate * 0.005);
  EXPECT_EQ(Output.Underruns(), 1) << "pausing is not running dry";
}

TEST_F(SoundOutputTest, ClearDropsTheQueueWithoutAClick) {
  UseDisk();
  Open(2, 500);
  const std::vector<int16_t> first = Sweep(440, 16000, kRate * 8 / 10, 2);
  const std::vector<int16_t> second = Sweep(660, 8000, kRate / 5, 2, std::numbers::pi / 2);
  ASSERT_EQ(Output.Write(first.data(), first.size() / 2), first.size() / 2);
  const int64_t queued = Output.QueuedFrames() - Output.DeviceBufferFrames();
  Output.Clear();
  ASSERT_EQ(Output.Write(second.data(), second.size() / 2), second.size() / 2);
  WaitUntilDrained(Output);
  Output.Close();

  const std::vector<int16_t> heard = Heard();
  EXPECT_LE(MaxStep(heard, 2), kClickThreshold);
  const size_t played = SameFrames(heard, SoundStart(heard, 2), first, 2);
  EXPECT_GE(int64_t(played), int64_t(first.size() / 2) - queued);
  EXPECT_LT(played, first.size() / 2) << "the queued part was dropped";
  // The second tone, which starts at its peak, fades in within a few milliseconds and then
  // plays unchanged.
  const std::vector<int16_t> settled(second.begin() + kRate / 100 * 2, second.end());
  EXPECT_NE(std::search(heard.begin(), heard.end(), settled.begin(), settled.end()), heard.end());
}

TEST_F(SoundOutputTest, AStuckDeviceIsReportedInsteadOfBlockingForever) {
  UseDisk("stuck.raw", 1500);
  Open(1, 50);
  const std::vector<int16_t> frames(kRate * 5, 1000);
  EXPECT_LT(Output.Write(frames.data(), frames.size()), frames.size());
  EXPECT_TRUE(Output.DeviceLost());
  EXPECT_EQ(Output.Write(frames.data(), frames.size()), 0u) << "a lost device takes nothing";
  Output.Close();
  UseDriver("dummy");
  Open(1, 50);
  EXPECT_FALSE(Output.DeviceLost());
  EXPECT_EQ(Output.Write(frames.data(), 1000), 1000u);
}

TEST_F(SoundOutputTest, NoDeviceGivesTheReasonAndALaterOpenWorks) {
  struct TCase {
    const char* Driver;
    const char* File;  // for the disk driver
    std::string Reason;
  };
  const TCase cases[] = {
      {"nonexistent", "", "Audio target 'nonexistent' not available"},
      {"disk", "missing/heard.raw", "Couldn't open " + (Folder / "missing/heard.raw")}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Driver);
    UseDriver(c.Driver);
    setenv("SDL_DISKAUDIOFILE", (Folder / c.File).c_str(), 1);
    std::string error;
    EXPECT_FALSE(Output.Open(kRate, 2, 50, error));
    EXPECT_EQ(error, "The sound output cannot start: " + c.Reason);
    EXPECT_FALSE(Output.IsOpen());
    EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u) << "nothing is left half-open";
    const std::vector<int16_t> frames(2000, 1000);
    EXPECT_EQ(Output.Write(frames.data(), 1000), 0u);
    EXPECT_EQ(Output.QueuedFrames(), 0);

    UseDriver("dummy");
    EXPECT_TRUE(Output.Open(kRate, 2, 50, error)) << error;
    EXPECT_EQ(Output.Write(frames.data(), 1000), 1000u);
    Output.Close();
  }
}

}  // namespace
