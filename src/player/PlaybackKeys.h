#pragma once
// TPlaybackKeys: the keyboard, the media keys and the tray menu's transport items as ways into
// playback control. The window hands it every key before its controls see it; media keys (as
// key events or from the desktop's media player interface) and the tray items arrive as
// commands. A held key acts once: further key-downs are ignored until a key is released.
#include <cstdint>

class TPlaybackControl;

enum class TKey { Other, Escape, Space, Digit, Letter, Home, End, Left, Right, Ctrl, Shift };

struct TKeyStroke {
  TKey Key = TKey::Other;
  // '0' ... '9' for a digit, 'A' ... 'Z' for a letter.
  char Character = 0;
  bool Ctrl = false;
  bool Shift = false;
};

// What the window knows about itself when a key arrives.
struct TKeyFocus {
  // One of the voice, "Mute All" and "Filter" boxes has the focus: the space bar is its own.
  bool CheckBoxFocused = false;
  // Entries of the device box; "No Device Available" counts as none.
  int32_t DeviceCount = 0;
};

enum class TMediaCommand { PlayPause, Play, Pause, Stop, Next, Previous, Mute, FastForward };
enum class TTrayCommand { Play, Stop, Previous, Next };

// The tray menu as it opens: the play item's caption and which items act.
struct TTrayMenuState {
  const char* PlayCaption = "Play";
  bool PlayEnabled = false;
  bool StopEnabled = false;
  bool PreviousEnabled = false;
  bool NextEnabled = false;
};

class TPlaybackKeys {
 public:
  explicit TPlaybackKeys(TPlaybackControl& control) : Control(control) {}

  // Acts on a key-down unless a key is held. True when the key is one of the window's, so that
  // the focused control does not get it as well.
  bool KeyDown(const TKeyStroke& key, const TKeyFocus& focus);
  void KeyUp(const TKeyStroke& key);
  // Whether the window keeps this key from its controls (also for its auto-repeats).
  static bool WindowKey(const TKeyStroke& key, const TKeyFocus& focus);
  bool KeyHeld() const { return Held; }

  void Media(TMediaCommand command);

  TTrayMenuState TrayMenu() const;
  void Tray(TTrayCommand command);

 private:
  void Act(const TKeyStroke& key, const TKeyFocus& focus);
  void ActWithCtrl(const TKeyStroke& key, const TKeyFocus& focus);
  void CycleDevice(int32_t step, int32_t count);
  bool Playing() const;

  TPlaybackControl& Control;
  bool Held = false;
};
