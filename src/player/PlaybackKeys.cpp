#include "player/PlaybackKeys.h"

#include "player/PlaybackControl.h"

namespace {

constexpr int32_t VoiceKeys = 3;

int32_t DigitValue(char digit) { return digit - '0'; }

}  // namespace

bool TPlaybackKeys::WindowKey(const TKeyStroke& key, const TKeyFocus& focus) {
  if (!key.Ctrl) {
    return key.Key == TKey::Escape || key.Key == TKey::Digit || (key.Key == TKey::Space && !focus.CheckBoxFocused);
  }
  switch (key.Key) {
    case TKey::Home:
    case TKey::End:
    case TKey::Right:
      return true;
    case TKey::Digit:
      return DigitValue(key.Character) >= 1 && DigitValue(key.Character) <= VoiceKeys;
    case TKey::Letter:
      return key.Character == 'M' || key.Character == 'F' || key.Character == 'D' || key.Character == 'P' ||
             key.Character == 'N';
    default:
      return false;
  }
}

// Ctrl and Shift alone, and Ctrl with an arrow, leave the way open for the key that follows.
bool TPlaybackKeys::KeyDown(const TKeyStroke& key, const TKeyFocus& focus) {
  const bool owned = WindowKey(key, focus);
  if (Held) return owned;
  const bool modifier = (key.Key == TKey::Ctrl && key.Ctrl) || (key.Key == TKey::Shift && key.Shift);
  const bool ctrlArrow = key.Ctrl && (key.Key == TKey::Right || key.Key == TKey::Left);
  if (!modifier && !ctrlArrow) Held = true;
  Act(key, focus);
  return owned;
}

void TPlaybackKeys::KeyUp(const TKeyStroke& key) {
  if (!(key.Key == TKey::Ctrl && key.Ctrl)) Held = false;
  if (key.Key == TKey::Right) Control.EndFastForward();
}

void TPlaybackKeys::Act(const TKeyStroke& key, const TKeyFocus& focus) {
  if (key.Ctrl) {
    ActWithCtrl(key, focus);
    return;
  }
  const TPlaybackControls& controls = Control.Controls();
  switch (key.Key) {
    case TKey::Escape:
      if (controls.StopEnabled) Control.Stop();
      break;
    case TKey::Space:
      Control.TogglePlay(focus.CheckBoxFocused);
      break;
    case TKey::Digit: {
      const int32_t song = key.Character == '0' ? 10 : DigitValue(key.Character);
      if (song <= controls.TrackBarMaximum) Control.SelectSong(song);
      break;
    }
    default:
      break;
  }
}

void TPlaybackKeys::ActWithCtrl(const TKeyStroke& key, const TKeyFocus& focus) {
  const TPlaybackControls& controls = Control.Controls();
  switch (key.Key) {
    case TKey::Home:
      if (controls.TrackBarEnabled) Control.SelectSong(1);
      break;
    case TKey::End:
      if (controls.TrackBarEnabled) Control.SelectSong(controls.TrackBarMaximum);
      break;
    case TKey::Right:
      Control.StartKeyFastForward();
      break;
    case TKey::Digit: {
      const int32_t voice = DigitValue(key.Character);
      if (voice >= 1 && voice <= VoiceKeys) Control.VoiceClicked(voice, !controls.VoiceChecked[voice - 1]);
      break;
    }
    case TKey::Letter:
      switch (key.Character) {
        case 'M':
          Control.MuteAllClicked(!controls.MuteAllChecked);
          break;
        case 'F':
          Control.FilterClicked(!controls.FilterChecked);
          break;
        case 'D':
          CycleDevice(key.Shift ? -1 : 1, focus.DeviceCount);
          break;
        case 'P':
          key.Shift ? Control.TogglePalFrequencyFixed() : Control.ChoosePal();
          break;
        case 'N':
          key.Shift ? Control.ToggleNtscFrequencyFixed() : Control.ChooseNtsc();
          break;
        default:
          break;
      }
      break;
    default:
      break;
  }
}

void TPlaybackKeys::CycleDevice(int32_t step, int32_t count) {
  if (count <= 0) return;
  const int32_t next = ((Control.Controls().Device + step) % count + count) % count;
  Control.DeviceChanged(next);
}

bool TPlaybackKeys::Playing() const { return Control.Controls().PlayDown; }

// Play and pause act by what the play button shows, so that neither key ever does the other's
// job: play starts a stopped tune, pause leaves a stopped one alone. The space bar's focus rule
// does not hold for keys that do not type into the focused box.
void TPlaybackKeys::Media(TMediaCommand command) {
  const TPlaybackControls& controls = Control.Controls();
  switch (command) {
    case TMediaCommand::PlayPause:
      Control.TogglePlay(false);
      return;
    case TMediaCommand::Play:
      if (!Playing()) Control.TogglePlay(false);
      return;
    case TMediaCommand::Pause:
      if (Playing()) Control.TogglePlay(false);
      return;
    case TMediaCommand::Mute:
      Control.MuteAllClicked(!controls.MuteAllChecked);
      return;
    case TMediaCommand::FastForward:
      Control.MediaFastForward();
      return;
    case TMediaCommand::Stop:
    case TMediaCommand::Next:
    case TMediaCommand::Previous:
      break;
  }
  Control.EndFastForward();
  Held = false;
  if (command == TMediaCommand::Stop) {
    if (controls.StopEnabled) Control.Stop();
  } else if (controls.TrackBarEnabled) {
    Control.SelectSong(controls.TrackBarPosition + (command == TMediaCommand::Next ? 1 : -1));
  }
}

TTrayMenuState TPlaybackKeys::TrayMenu() const {
  const TPlaybackControls& controls = Control.Controls();
  const int32_t song = Control.CurrentSong();
  TTrayMenuState state;
  state.PlayCaption = controls.PlayDown ? "Pause" : "Play";
  state.PlayEnabled = controls.PlayEnabled;
  state.StopEnabled = controls.StopEnabled;
  state.PreviousEnabled = song != 1 && controls.PreviousEnabled;
  state.NextEnabled = song != controls.TrackBarMaximum && controls.NextEnabled;
  return state;
}

void TPlaybackKeys::Tray(TTrayCommand command) {
  const TPlaybackControls& controls = Control.Controls();
  switch (command) {
    case TTrayCommand::Play:
      if (controls.PlayEnabled) Control.PlayPause();
      break;
    case TTrayCommand::Stop:
      if (controls.StopEnabled) Control.Stop();
      break;
    case TTrayCommand::Previous:
      if (controls.PreviousEnabled) Control.SelectSong(controls.TrackBarPosition - 1);
      break;
    case TTrayCommand::Next:
      if (controls.NextEnabled) Control.SelectSong(controls.TrackBarPosition + 1);
      break;
  }
}
