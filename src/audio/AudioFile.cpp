// Sound files through libsndfile. libsndfile writes through callbacks onto a C stream that
// this file owns, so that every failed write (a full disk, a vanished folder) is seen with its
// reason, the final flush of a FLAC encoder included, before the file gets the target's name.
#include "audio/AudioFile.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <random>
#include <string_view>
#include <system_error>

namespace {

namespace fs = std::filesystem;

struct TFormat {
  std::string_view Extension;  // lower case, with the dot
  int Format;
};
constexpr TFormat kFormats[] = {{".wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16},
                                {".flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16}};

// Attempts at a fresh temporary name before giving up (another render may hold one).
constexpr int kNameAttempts = 8;

std::optional<int> FormatOf(const std::string& path) {
  std::string extension = fs::path(path).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  for (const TFormat& format : kFormats) {
    if (extension == format.Extension) return format.Format;
  }
  return std::nullopt;
}

std::string SystemReason(int number) {
  return number == 0 ? "the system refused the write" : std::generic_category().message(number);
}

}  // namespace

struct TAudioFile::TSink {
  std::string Name;
  std::FILE* File = nullptr;
  SNDFILE* Sound = nullptr;
  std::string Problem;  // the first failure of the stream, with the system's reason

  // Creates a new file beside target under a name no other file has.
  bool Create(const std::string& target) {
    std::random_device random;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
      char suffix[16];
      std::snprintf(suffix, sizeof suffix, ".%08x.part", unsigned(random()));
      Name = target + suffix;
      File = std::fopen(Name.c_str(), "w+bx");
      if (File) return true;
      if (errno != EEXIST) break;
    }
    Note(errno);
    return false;
  }

  void Note(int number) {
    if (Problem.empty()) Problem = SystemReason(number);
  }

  // Closes everything; false (with Problem set) when anything written did not reach the file.
  bool Close() {
    bool whole = true;
    if (Sound) {
      whole = sf_close(Sound) == 0;
      Sound = nullptr;
    }
    if (File) {
      if (std::fflush(File) != 0) Note(errno);
      if (std::fclose(File) != 0) Note(errno);
      File = nullptr;
    }
    if (!whole && Problem.empty()) Problem = "the sound library could not complete the file";
    return whole && Problem.empty();
  }

  void Remove() {
    Close();
    std::error_code ignored;
    fs::remove(Name, ignored);
  }

  static TSink& Of(void* user) { return *static_cast<TSink*>(user); }
  static sf_count_t Length(void* user) {
    std::FILE* file = Of(user).File;
    const long here = std::ftell(file);
    std::fseek(file, 0, SEEK_END);
    const long end = std::ftell(file);
    std::fseek(file, here, SEEK_SET);
    return end;
  }
  static sf_count_t Seek(sf_count_t offset, int whence, void* user) {
    TSink& sink = Of(user);
    if (std::fseek(sink.File, long(offset), whence) != 0) sink.Note(errno);
    return std::ftell(sink.File);
  }
  static sf_count_t Read(void* bytes, sf_count_t count, void* user) {
    return sf_count_t(std::fread(bytes, 1, size_t(count), Of(user).File));
  }
  static sf_count_t Put(const void* bytes, sf_count_t count, void* user) {
    TSink& sink = Of(user);
    const size_t written = std::fwrite(bytes, 1, size_t(count), sink.File);
    if (written < size_t(count)) sink.Note(errno);
    return sf_count_t(written);
  }
  static sf_count_t Tell(void* user) { return std::ftell(Of(user).File); }
};

TAudioFile::TAudioFile() = default;
TAudioFile::~TAudioFile() { Abandon(); }

bool TAudioFile::Open(const std::string& path, int rate, int channels, std::string& error) {
  Abandon();
  Path = path;
  const std::optional<int> format = FormatOf(path);
  if (!format) {
    error = Failure("the name must end in .wav or .flac");
    return false;
  }
  if (rate <= 0 || channels < 1 || channels > 2) {
    error = Failure("only mono or stereo at a positive rate can be written");
    return false;
  }
  auto sink = std::make_unique<TSink>();
  if (!sink->Create(path)) {
    error = Failure(sink->Problem);
    return false;
  }
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = channels;
  info.format = *format;
  static SF_VIRTUAL_IO callbacks{&TSink::Length, &TSink::Seek, &TSink::Read, &TSink::Put,
                                 &TSink::Tell};
  sink->Sound = sf_open_virtual(&callbacks, SFM_WRITE, &info, sink.get());
  if (!sink->Sound) {
    error = Failure(sink->Problem.empty() ? sf_strerror(nullptr) : sink->Problem);
    sink->Remove();
    return false;
  }
  Sink = std::move(sink);
  return true;
}

bool TAudioFile::Write(const int16_t* frames, size_t frameCount, std::string& error) {
  if (!Sink) {
    error = Failure("the file is not open");
    return false;
  }
  const sf_count_t written = sf_writef_short(Sink->Sound, frames, sf_count_t(frameCount));
  if (written == sf_count_t(frameCount) && Sink->Problem.empty()) return true;
  error = Failure(Sink->Problem.empty() ? sf_strerror(Sink->Sound) : Sink->Problem);
  Abandon();
  return false;
}

bool TAudioFile::Finish(std::string& error) {
  if (!Sink) {
    error = Failure("the file is not open");
    return false;
  }
  std::error_code renamed;
  if (Sink->Close()) fs::rename(Sink->Name, Path, renamed);
  if (!Sink->Problem.empty() || renamed) {
    error = Failure(renamed ? renamed.message() : Sink->Problem);
    Abandon();
    return false;
  }
  Sink.reset();
  return true;
}

std::string TAudioFile::Failure(const std::string& reason) const {
  std::string text = reason;
  if (!text.empty()) text[0] = char(std::tolower(static_cast<unsigned char>(text[0])));
  return Path + ": cannot write the file: " + text;
}

void TAudioFile::Abandon() {
  if (Sink) Sink->Remove();
  Sink.reset();
}
