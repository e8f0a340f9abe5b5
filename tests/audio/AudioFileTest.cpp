// Written files are read back through libsndfile, as any player would read them; the failure
// cases then look into the folder, where a half-written file must never appear under the
// name the user asked for.
#include <gtest/gtest.h>
#include <signal.h>
#include <sndfile.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "audio/AudioFile.h"
#include "audio/ScratchFolder.h"

namespace {

using Names = std::vector<std::string>;

// Noise over the whole 16-bit range, both extremes included, different in every channel.
std::vector<int16_t> Noise(size_t frames, int channels) {
  std::vector<int16_t> samples(frames * size_t(channels));
  std::minstd_rand generator(1982);
  for (int16_t& sample : samples) sample = int16_t(generator() & 0xFFFF);
  samples[0] = -32768;
  samples[1] = 32767;
  return samples;
}

// Writes the samples in uneven pieces; the first error, or "" when the file was finished.
std::string Render(const std::string& path, const std::vector<int16_t>& samples, int channels,
                   int rate = 48000) {
  TAudioFile file;
  std::string error;
  if (!file.Open(path, rate, channels, error)) return error;
  const size_t frames = samples.size() / size_t(channels);
  for (size_t at = 0, piece = 1; at < frames; at += piece, piece = piece * 3 + 1) {
    piece = std::min(piece, frames - at);
    if (!file.Write(samples.data() + at * size_t(channels), piece, error)) return error;
  }
  return file.Finish(error) ? "" : error;
}

struct TDecoded {
  int Format = 0;
  int Rate = 0;
  int Channels = 0;
  std::vector<int16_t> Samples;
};

TDecoded Decode(const std::string& path) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) return {};
  TDecoded decoded{info.format, info.samplerate, info.channels,
                   std::vector<int16_t>(size_t(info.frames * info.channels))};
  decoded.Samples.resize(size_t(sf_readf_short(file, decoded.Samples.data(), info.frames) * info.channels));
  sf_close(file);
  return decoded;
}

std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string Expected(const std::string& path, const std::string& reason) {
  return path + ": cannot write the file: " + reason;
}

TEST(AudioFile, RoundTripsThroughTheSoundLibrary) {
  struct TCase {
    const char* Name;
    int Format;
    int Channels;
    int Rate;
  };
  const TCase cases[] = {{"tune.wav", SF_FORMAT_WAV, 1, 44100},
                         {"TUNE.WAV", SF_FORMAT_WAV, 2, 48000},
                         {"tune.flac", SF_FORMAT_FLAC, 1, 96000},
                         {"Tune.Flac", SF_FORMAT_FLAC, 2, 48000}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TScratchFolder folder;
    std::ofstream(folder / c.Name) << "an older file of that name";
    const std::vector<int16_t> samples = Noise(30000, c.Channels);
    ASSERT_EQ(Render(folder / c.Name, samples, c.Channels, c.Rate), "");
    const TDecoded decoded = Decode(folder / c.Name);
    EXPECT_EQ(decoded.Format, c.Format | SF_FORMAT_PCM_16);
    EXPECT_EQ(decoded.Rate, c.Rate);
    EXPECT_EQ(decoded.Channels, c.Channels);
    EXPECT_TRUE(decoded.Samples == samples) << "the samples differ";
    EXPECT_EQ(folder.Names(), Names{c.Name});
  }
}

TEST(AudioFile, RefusesNamesWithoutAKnownExtension) {
  for (const char* name : {"tune.mp3", "tune", "tune.wav.part", ".wav"}) {
    TScratchFolder folder;
    TAudioFile file;
    std::string error;
    EXPECT_FALSE(file.Open(folder / name, 48000, 1, error));
    EXPECT_EQ(error, Expected(folder / name, "the name must end in .wav or .flac"));
    EXPECT_EQ(folder.Names(), Names{});
  }
}

TEST(AudioFile, UnwritableLocationsLeaveTheFolderAsItWas) {
  struct TCase {
    const char* Name;
    const char* Existing;  // a plain file ("name") or a folder ("name/") made beforehand
    const char* Reason;
  };
  const TCase cases[] = {{"plain/tune.wav", "plain", "not a directory"},
                         {"missing/tune.flac", "", "no such file or directory"},
                         {"taken.wav", "taken.wav/", "is a directory"}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TScratchFolder folder;
    const std::string existing = c.Existing;
    if (existing.ends_with('/')) std::filesystem::create_directory(folder / existing);
    else if (!existing.empty()) std::ofstream(folder / existing) << "a file";
    const Names before = folder.Names();
    EXPECT_EQ(Render(folder / c.Name, Noise(1000, 2), 2), Expected(folder / c.Name, c.Reason));
    EXPECT_EQ(folder.Names(), before);
  }
}

// A disk that fills up mid-render, made by a file size limit in a child process.
TEST(AudioFile, FullDiskLeavesNothingBehind) {
  for (const char* name : {"tune.wav", "tune.flac"}) {
    SCOPED_TRACE(name);
    TScratchFolder folder;
    const std::string path = folder / name;
    const pid_t child = fork();
    if (child == 0) {
      signal(SIGXFSZ, SIG_IGN);
      const rlimit limit{64 * 1024, RLIM_INFINITY};
      if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(77);
      const std::string error = Render(path, Noise(96000, 2), 2);
      if (error != Expected(path, "file too large")) fprintf(stderr, "got \"%s\"\n", error.c_str());
      _exit(error == Expected(path, "file too large") ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "this system cannot limit file sizes";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(folder.Names(), Names{});
  }
}

TEST(AudioFile, AnAbandonedRenderLeavesNothingBehind) {
  TScratchFolder folder;
  std::ofstream(folder / "kept.flac") << "the user's older file";
  std::string error;
  {
    TAudioFile file;
    ASSERT_TRUE(file.Open(folder / "kept.flac", 48000, 2, error)) << error;
    ASSERT_TRUE(file.Write(Noise(5000, 2).data(), 5000, error)) << error;
    ASSERT_TRUE(file.Open(folder / "second.wav", 48000, 1, error)) << error;
    ASSERT_TRUE(file.Write(Noise(5000, 1).data(), 5000, error)) << error;
  }
  EXPECT_EQ(folder.Names(), Names{"kept.flac"});
  EXPECT_EQ(Contents(folder / "kept.flac"), "the user's older file");
}

}  // namespace
