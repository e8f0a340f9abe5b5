#pragma once
// TPlaybackControl: what the main window's transport, song, clock, voice and device controls do.
// It loads and starts tunes, starts and ends the player thread, reaches the SID write stream
// through the player's command hand-off, keeps the state of the controls for the window to show
// and writes the status bar texts. It knows no widget: the window binds its controls to
// Controls(), forwards their actions and its timers here, and implements TPlaybackView.
#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "player/PlaybackFields.h"

class T6510;
class TdmTimer;
class TSidLoader;
class TPreferences;
struct TTuneRecord;

enum class TMessageStyle {
  Plain,        // no icon, OK
  Information,  // information icon, OK
};

// The four timers of the window; it starts and stops them when asked and calls back on expiry.
enum class TWindowTimer {
  SongChange,      // 250 ms: applies a new track bar position once the user stops moving it
  NextHold,        // 200 ms: tells a click on the next button from holding it
  KeyFastForward,  // 300 ms: ends a fast forward of the media key once it stops repeating
  Priority,        // 2000 ms: raises the process back to the high class
};

enum class TStatusPanel { Song = 0, Clock = 1, Speed = 2, Cpu = 3, Time = 4 };

// What the window's controls show. Texts are ready for display ("&" already doubled).
struct TPlaybackControls {
  bool TransportEnabled = true;
  bool PlayEnabled = true;
  bool PlayDown = false;
  bool StopEnabled = false;
  bool PreviousEnabled = false;
  bool NextEnabled = true;
  std::string NextHint = "Select next tune of song or fast forward";
  bool NextHintShown = true;
  bool TrackBarEnabled = false;
  int32_t TrackBarMaximum = 1;
  int32_t TrackBarPosition = 1;
  std::string TrackBarHint = "Song 1";
  bool PropertiesEnabled = false;
  bool SongMenuVisible = false;
  bool StilAvailable = false;
  std::string Title;
  std::string Author;
  std::string Released;
  std::array<bool, 4> VoiceChecked{true, true, true, true};
  bool MuteAllChecked = false;
  bool FilterChecked = true;
  // The selected entry of the device box, -1 for none.
  int32_t Device = -1;
};

class TPlaybackView {
 public:
  virtual ~TPlaybackView() = default;
  // Controls() changed; the window shows it again.
  virtual void ControlsChanged() = 0;
  // Also called on the bars thread (UpdateStatusBar): a window posts it to its own thread and
  // returns without waiting for that thread, which may be waiting for the status bar.
  virtual void ShowStatus(TStatusPanel panel, const std::string& text) = 0;
  // Also called on the bars thread, like ShowStatus; a message box must not block that thread.
  virtual void ShowMessage(TMessageStyle style, const std::string& text) = 0;
  // The file has (or has no) STIL entry: the window shows or hides its indicator and hides or
  // refreshes its STIL window.
  virtual void StilEntryChanged(bool available) = 0;
  virtual void StartTimer(TWindowTimer timer) = 0;
  virtual void StopTimer(TWindowTimer timer) = 0;
  // Waits that long while the window keeps answering its events.
  virtual void WaitProcessingMessages(uint32_t ms) = 0;
  virtual void ProcessMessages() = 0;
  // The folder the file browser shows, kept as the last directory whenever a tune is loaded.
  virtual std::string ShownDirectory() = 0;
  // The mouse hover state of the transport buttons is cleared.
  virtual void ResetHover() = 0;
};

// The six values of the FrequencySetting and of the window's clock mode.
enum TFrequencyMode : int32_t {
  PalDefault = 0,
  PalFrequencyFixed = 1,
  PalAlways = 2,
  NtscDefault = 3,
  NtscFrequencyFixed = 4,
  NtscAlways = 5,
};

class TPlaybackControl {
 public:
  static constexpr int32_t SpeedHistorySize = 51;
  static constexpr int32_t StatusUpdatesPerSpeedShow = 6;
  static constexpr const char* NoHardwareMessage =
      "Hardware not available to play SID tune or device driver not installed.";

  TPlaybackControl(TdmTimer& timer, T6510& machine, TSidLoader& loader, TPreferences& preferences, TPlaybackView& view);
  TPlaybackControl(const TPlaybackControl&) = delete;
  TPlaybackControl& operator=(const TPlaybackControl&) = delete;

  // The settings object is replaced after the preferences dialog.
  void UsePreferences(TPreferences& preferences) { Preferences = &preferences; }
  // A saved clock setting becomes the clock mode; it applies from the next start.
  void FrequencySettingChanged();
  // Presses Stop when it is enabled; a playback that was running (not paused) starts again.
  void RestartPlayback();
  // The song length and STIL databases were loaded again: the title and the STIL indicator of
  // the tune in memory follow them.
  void KnowledgeReloaded();

  // ---- Files ----
  void PlayFile(const std::string& fileName);
  void LoadFile(const std::string& fileName);

  // ---- Transport ----
  void PlayPause();
  void Stop();
  // Space bar and the media play/pause key: ends a fast forward, else presses Play when it is
  // enabled. A focused voice, "Mute All" or "Filter" box keeps the space bar for itself.
  void TogglePlay(bool checkBoxFocused);

  // ---- Songs ----
  // Moves the track bar, which leads to a song change.
  void SelectSong(int32_t song);
  // The track bar's change action, for a position the user set.
  void TrackBarChanged(int32_t position);
  void PreviousSong();
  void NextButtonDown();
  void NextButtonUp();

  // ---- Fast forward ----
  void EndFastForward();
  // Ctrl+Right held.
  void StartKeyFastForward();
  // The media fast forward command, which repeats while its key is held.
  void MediaFastForward();

  // ---- Clock ----
  void ChoosePal();
  void ChooseNtsc();
  void TogglePalFrequencyFixed();
  void ToggleNtscFrequencyFixed();

  // ---- Voices and device ----
  void VoiceClicked(int32_t voice, bool checked);
  void MuteAllClicked(bool checked);
  void FilterClicked(bool checked);
  void Solo(int32_t voice);
  void DeviceChanged(int32_t index);

  // ---- Process priority ----
  void Minimised();
  // Any other system command, and the application's restore.
  void SystemCommand();

  // ---- Timers ----
  void TimerFired(TWindowTimer timer, bool applicationActive = true, bool mainWindowActive = true);

  // ---- Status bar (bars thread) ----
  void UpdateStatusBar();

  const TPlaybackControls& Controls() const { return State; }
  // Shared with the player and bars threads.
  TPlaybackFields& Fields() { return Shared; }

  const std::string& CurrentFile() const { return FCurrentFile; }
  // The record of the tune in memory; it describes CurrentFile only while TuneLoaded.
  const TTuneRecord& Tune() const;
  bool TuneLoaded() const { return TuneInMemory; }
  int32_t CurrentSong() const { return Shared.CurrentSong; }
  const std::string& SongLengthText() const { return FSongLengthText; }
  int32_t FrequencyMode() const { return FFrequencyMode; }
  bool Busy() const { return FBusy; }
  bool PlaybackPaused() const { return FPlaybackPaused; }
  bool StatusLive() const { return Shared.StatusLive; }
  bool StartPending() const { return Shared.StartPending; }
  bool ReloadPending() const { return Shared.ReloadPending; }
  bool NextButtonHeld() const { return FNextButtonHeld; }
  bool Playing() const;

  static std::string ClockText(bool pal, bool plus);
  static std::string PlayTimeText(uint32_t hours, uint32_t minutes, uint32_t seconds);
  static std::string BasicRomMessage();
  // Appended to the CPU panel: empty for a tune of one SID chip.
  static std::string ChipsNote(int32_t chips);

 private:
  bool SetupTune(bool reload);
  bool LoadTune(bool reload);
  void ApplyFrequencyMode();
  void ChooseDevice();
  int32_t EmulatedDeviceFor(const TTuneRecord& tune) const;
  void ShowSongLength(int32_t song);
  void SetUpSongControls();
  void StartPlayback();
  void StartPlayer();
  // No sound can be heard: the reason goes to the status bar and into a message box.
  void ShowSilentReason(const std::string& reason);
  void Pause();
  void Resume();
  void ChooseFile(const std::string& fileName);
  void SongChangeTimerFired();
  void NextHoldTimerFired();
  void PriorityTimerFired(bool applicationActive, bool mainWindowActive);
  void RestartForClock();
  void SwitchFrequencyFixedOff();
  void HoldDevicesAt(bool pal);
  void SetNormalSpeed();
  void StartFastForward();
  void UnmuteCheckedVoices();
  void MoveTrackBar(int32_t position);
  void NextSong();
  void ShowClock(const std::string& text);
  // Callers hold StatusLock.
  void ShowStopped();
  // Callers hold StatusLock.
  void RefreshStatusBar();
  int32_t AverageForwardRate();

  TdmTimer& Timer;
  T6510& Machine;
  TSidLoader& Loader;
  TPreferences* Preferences;
  TPlaybackView& View;
  TPlaybackFields Shared;
  TPlaybackControls State;

  std::string FCurrentFile;
  std::string FSongLengthText;
  int32_t FFrequencyMode = PalDefault;
  bool FBusy = false;
  bool FPlaybackPaused = false;
  bool FNextButtonHeld = false;
  // The machine holds a tune that the last load placed there; a failed load leaves none that
  // the record still describes, so the next start reads the file again.
  bool TuneInMemory = false;
  // Songs of the loaded tune, for the bars thread, which must not read the record while a load
  // rewrites it.
  std::atomic<int32_t> SongCount{0};
  std::atomic<int32_t> SidChips{1};
  std::atomic<bool> BasicRomReported{false};

  // Written only by UpdateStatusBar, which the window may also call while the bars thread does.
  std::mutex StatusLock;
  int32_t CpuPeak = 0;
  std::array<int32_t, SpeedHistorySize> SpeedHistory{};
  int32_t StatusTicks = 0;
};
