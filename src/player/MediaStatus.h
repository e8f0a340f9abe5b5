#pragma once
// What the desktop's media player interface shows of playback: the state of the play button, the
// tune and song playing, and which transport actions would do something. Taken from playback
// control whenever its controls change; two equal statuses need no announcement.
#include <cstdint>
#include <string>

class TPlaybackControl;

enum class TPlaybackStatus { Stopped, Playing, Paused };

struct TMediaStatus {
  TPlaybackStatus Status = TPlaybackStatus::Stopped;
  // Empty until a file is chosen.
  std::string File;
  // The texts below describe File only when it loaded.
  bool TuneLoaded = false;
  int32_t Song = 0;
  // The tune record's own bytes: Latin-1 credits, or a file name for a program file.
  std::string Title;
  std::string Author;
  bool ProgramFile = false;
  // 0 when the song length database does not know the song.
  int64_t LengthMicroseconds = 0;
  bool CanPlay = false;
  bool CanPause = false;
  bool CanGoNext = false;
  bool CanGoPrevious = false;
  // "Mute All" is checked.
  bool Muted = false;

  bool operator==(const TMediaStatus&) const = default;
};

TMediaStatus MediaStatus(const TPlaybackControl& control);

// A song length text ("3:25", or "3:25.120" with milliseconds) in microseconds; 0 for a text
// that is no length.
int64_t SongLengthMicroseconds(const std::string& text);
