#pragma once
// The fields of playback control that the player and bars threads read or write. The window owns
// them and keeps its check boxes mirrored here, so that the other threads never touch a widget.
#include <array>
#include <atomic>
#include <cstdint>

struct TPlaybackFields {
  // The song the next start plays, counted from 1.
  std::atomic<int32_t> CurrentSong{1};
  // The "Mute All" box and the "Voice 1" to "Voice 4" boxes (the fourth is the digi channel).
  std::atomic<bool> MuteAllChecked{false};
  std::array<std::atomic<bool>, 4> VoiceChecked{true, true, true, true};
  // The bars thread refreshes the status bar while this is set.
  std::atomic<bool> StatusLive{false};
  // Cleared by the player thread once the song runs.
  std::atomic<bool> StartPending{true};
  std::atomic<bool> ReloadPending{true};
  // The fill count and write position of the window's ring of forward-rate samples; the player
  // thread empties the ring whenever it plays at normal speed with sound.
  std::atomic<int32_t> SpeedSamples{0};
  std::atomic<int32_t> SpeedIndex{0};
  // Raised by the player thread when the tune runs into code that only a real BASIC ROM has.
  std::atomic<bool> NeedsBasicRom{false};
};
