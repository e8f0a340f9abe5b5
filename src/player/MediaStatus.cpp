#include "player/MediaStatus.h"

#include <cctype>

#include "player/PlaybackControl.h"
#include "tune/TuneRecord.h"

namespace {

constexpr int64_t MicrosecondsPerSecond = 1000000;
constexpr int64_t MicrosecondsPerMillisecond = 1000;
constexpr int32_t MillisecondDigits = 3;

// Reads the decimal digits at position; false when there are none.
bool ReadNumber(const std::string& text, size_t& position, int64_t& value, size_t& digits) {
  value = 0;
  digits = 0;
  while (position < text.size() && std::isdigit(static_cast<unsigned char>(text[position])) != 0) {
    value = value * 10 + (text[position] - '0');
    ++position;
    ++digits;
  }
  return digits > 0 && digits <= 9;
}

TPlaybackStatus Status(const TPlaybackControl& control) {
  if (control.Controls().PlayDown) return TPlaybackStatus::Playing;
  return control.Playing() && control.PlaybackPaused() ? TPlaybackStatus::Paused : TPlaybackStatus::Stopped;
}

}  // namespace

int64_t SongLengthMicroseconds(const std::string& text) {
  size_t position = 0;
  int64_t minutes = 0;
  int64_t seconds = 0;
  size_t digits = 0;
  if (!ReadNumber(text, position, minutes, digits) || position >= text.size() || text[position] != ':') return 0;
  ++position;
  if (!ReadNumber(text, position, seconds, digits) || seconds >= 60) return 0;
  int64_t total = (minutes * 60 + seconds) * MicrosecondsPerSecond;
  if (position < text.size() && text[position] == '.') {
    ++position;
    int64_t fraction = 0;
    if (!ReadNumber(text, position, fraction, digits) || digits > MillisecondDigits) return 0;
    for (size_t scale = digits; scale < MillisecondDigits; ++scale) fraction *= 10;
    total += fraction * MicrosecondsPerMillisecond;
  }
  return position == text.size() ? total : 0;
}

TMediaStatus MediaStatus(const TPlaybackControl& control) {
  const TPlaybackControls& controls = control.Controls();
  TMediaStatus status;
  status.Status = Status(control);
  status.File = control.CurrentFile();
  status.Song = control.CurrentSong();
  status.TuneLoaded = control.TuneLoaded();
  if (status.TuneLoaded) {
    const TTuneRecord& tune = control.Tune();
    status.Title = tune.name;
    status.Author = tune.author;
    status.ProgramFile = tune.programFile;
    status.LengthMicroseconds = SongLengthMicroseconds(control.SongLengthText());
  }
  const bool chosen = !status.File.empty();
  status.CanPlay = chosen && controls.PlayEnabled;
  status.CanPause = status.CanPlay;
  status.CanGoNext = controls.TrackBarEnabled && status.Song < controls.TrackBarMaximum;
  status.CanGoPrevious = controls.TrackBarEnabled && status.Song > 1;
  status.Muted = controls.MuteAllChecked;
  return status;
}
