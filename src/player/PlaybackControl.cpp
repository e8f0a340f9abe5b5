#include "player/PlaybackControl.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "c64/RomImages.h"
#include "c64/T6510.h"
#include "knowledge/SongLength.h"
#include "knowledge/Stil.h"
#include "player/Player.h"
#include "player/ZeroPad.h"
#include "player/dmSidPlayer.h"
#include "settings/Preferences.h"
#include "tune/SidLoader.h"

namespace {

constexpr uint32_t TrackBarRestMs = 600;
constexpr uint32_t FastForwardSettleMs = 200;
// SetPriority's class for a minimised window: buffered chips drop to the normal class.
constexpr int32_t MinimisedClass = 0;

const std::string ManySongsHint = "Select next tune of song or fast forward";
const std::string OneSongHint = "Fast forward";
const std::string NormalSpeedText = "Speed - 001";

std::string DoubleAmpersands(const std::string& text) {
  std::string shown;
  shown.reserve(text.size());
  for (const char c : text) {
    shown += c;
    if (c == '&') shown += '&';
  }
  return shown;
}

bool Blank(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isspace(c) != 0; });
}

std::string SongHint(int32_t song) { return "Song " + std::to_string(song); }

int32_t ValidMode(int32_t setting) { return setting >= PalDefault && setting <= NtscAlways ? setting : PalDefault; }

}  // namespace

TPlaybackControl::TPlaybackControl(TdmTimer& timer, T6510& machine, TSidLoader& loader, TPreferences& preferences,
                                   TPlaybackView& view)
    : Timer(timer), Machine(machine), Loader(loader), Preferences(&preferences), View(view) {
  if (Machine.Devices->Count() > 0) State.Device = Machine.Writer->CurrentDevice;
  for (size_t voice = 0; voice < State.VoiceChecked.size(); ++voice)
    Shared.VoiceChecked[voice] = State.VoiceChecked[voice];
  Shared.MuteAllChecked = State.MuteAllChecked;
}

bool TPlaybackControl::Playing() const { return Timer.Player != nullptr; }

const TTuneRecord& TPlaybackControl::Tune() const { return Loader.Tune; }

std::string TPlaybackControl::ClockText(bool pal, bool plus) {
  return std::string(pal ? "PAL" : "NTSC") + (plus ? "+" : "");
}

std::string TPlaybackControl::PlayTimeText(uint32_t hours, uint32_t minutes, uint32_t seconds) {
  return ZeroPad(hours, 2) + ":" + ZeroPad(minutes, 2) + ":" + ZeroPad(seconds, 2) + "     ";
}

// The machine drives one SID chip: a tune written for more plays its first chip's part only.
std::string TPlaybackControl::ChipsNote(int32_t chips) {
  if (chips <= 1) return {};
  return "   Tune for " + std::to_string(chips) + " SID chips: only the first plays";
}

std::string TPlaybackControl::BasicRomMessage() {
  return "This tune needs a BASIC ROM: the built-in BASIC cannot run it, so it plays nothing. Put a BASIC ROM "
         "image (8192 bytes, named basic...) into " +
         RomFolderPath() + " and start the program again.";
}

// ---- Loading ----

bool TPlaybackControl::SetupTune(bool reload) {
  const bool stil = !GetStilText(FCurrentFile, false).empty();
  State.StilAvailable = stil;
  View.StilEntryChanged(stil);
  // Without a tune in memory there is nothing to restart: the file is read again.
  const bool freshLoad = reload || !TuneInMemory;
  const bool ok = LoadTune(freshLoad);
  if (ok) ApplyFrequencyMode();
  if (ok && freshLoad) {
    Preferences->SetLastDirectory(View.ShownDirectory());
    Machine.SetPlayAddress(static_cast<uint16_t>(Loader.Tune.playAddress));
    ChooseDevice();
    SetUpSongControls();
  }
  State.PropertiesEnabled = ok;
  State.SongMenuVisible = ok;
  View.ControlsChanged();
  return ok;
}

bool TPlaybackControl::LoadTune(bool reload) {
  if (!reload) return Loader.RestartAtSong(Shared.CurrentSong - 1);
  const TLoadResult result = Loader.LoadTuneFile(FCurrentFile, Shared.CurrentSong - 1);
  TuneInMemory = result == TLoadResult::Loaded;
  if (TuneInMemory) {
    SongCount = Loader.Tune.songs;
    SidChips = Loader.Tune.SidChips();
    return true;
  }
  // While the message is open the status bar must not count songs of a tune that is not there.
  {
    std::lock_guard<std::mutex> hold(StatusLock);
    ShowStopped();
  }
  if (const std::string_view message = LoadMessage(result); !message.empty())
    View.ShowMessage(TMessageStyle::Information, std::string(message));
  return false;
}

// The machine runs at PAL whenever clockPal is set, so "+" marks a machine clock that differs
// from the clock the devices are held at.
void TPlaybackControl::ApplyFrequencyMode() {
  TTuneRecord& tune = Loader.Tune;
  const bool declared = tune.clockPal || tune.clockNtsc;
  switch (FFrequencyMode) {
    case PalFrequencyFixed:
    case NtscFrequencyFixed: {
      const bool holdPal = FFrequencyMode == PalFrequencyFixed;
      tune.palFrequencyFixed = holdPal;
      tune.ntscFrequencyFixed = !holdPal;
      if (!declared) tune.clockPal = true;
      ShowClock(ClockText(tune.clockPal, tune.clockPal != holdPal));
      return;
    }
    case PalAlways:
    case NtscAlways:
      tune.clockPal = FFrequencyMode == PalAlways;
      break;
    default:
      if (declared) {
        ShowClock(ClockText(tune.clockPal, false));
        return;
      }
      tune.clockPal = FFrequencyMode != NtscDefault;
      break;
  }
  tune.clockNtsc = !tune.clockPal;
  tune.palFrequencyFixed = false;
  tune.ntscFrequencyFixed = false;
  ShowClock(ClockText(tune.clockPal, false));
}

// A setting that names no listed device counts as unset.
void TPlaybackControl::ChooseDevice() {
  const TTuneRecord& tune = Loader.Tune;
  const int32_t count = Machine.Devices->Count();
  const auto listed = [count](int32_t device) { return device >= 0 && device < count; };
  if (tune.sid6581 && !tune.sid8580 && listed(Preferences->Default6581Device())) {
    State.Device = Preferences->Default6581Device();
  } else if (tune.sid8580 && !tune.sid6581 && listed(Preferences->Default8580Device())) {
    State.Device = Preferences->Default8580Device();
  } else if (listed(Preferences->DefaultUnknownDevice())) {
    State.Device = Preferences->DefaultUnknownDevice();
  } else if (const int32_t emulated = EmulatedDeviceFor(tune); emulated >= 0) {
    State.Device = emulated;
  }
  if (State.Device >= 0) DeviceChanged(State.Device);
}

// Without a card and without a setting, the software chip plays the model the tune names: the
// 8580 when the header names it alone, the 6581 otherwise.
int32_t TPlaybackControl::EmulatedDeviceFor(const TTuneRecord& tune) const {
  const TDevices& devices = *Machine.Devices;
  if (devices.HasHardware()) return -1;
  return devices.EmulatedDevice(tune.sid8580 && !tune.sid6581 ? TSidModel::Mos8580 : TSidModel::Mos6581);
}

void TPlaybackControl::ShowSongLength(int32_t song) {
  const TTuneRecord& tune = Loader.Tune;
  FSongLengthText = GetSongLength(tune.md5, FCurrentFile, song);
  State.Title = DoubleAmpersands(Blank(FSongLengthText) ? tune.name : tune.name + " (" + FSongLengthText + ")");
  State.Author = DoubleAmpersands(tune.author);
  State.Released = DoubleAmpersands(tune.released);
  View.ControlsChanged();
}

// A header may name a start song outside its songs; the tune then starts at song 1.
void TPlaybackControl::SetUpSongControls() {
  const TTuneRecord& tune = Loader.Tune;
  const int32_t last = std::max(tune.songs, 1);
  const int32_t start = tune.startSong >= 1 && tune.startSong <= last ? tune.startSong : 1;
  ShowSongLength(start);
  State.TrackBarMaximum = last;
  State.TrackBarEnabled = tune.songs > 1;
  State.TrackBarPosition = start;
  State.TrackBarHint = SongHint(start);
  State.PreviousEnabled = start > 1;
  State.NextEnabled = true;
  State.NextHint = tune.songs > 1 ? ManySongsHint : OneSongHint;
  Shared.CurrentSong = start;
}

void TPlaybackControl::ChooseFile(const std::string& fileName) {
  FCurrentFile = fileName;
  FFrequencyMode = ValidMode(Preferences->FrequencySetting());
}

void TPlaybackControl::FrequencySettingChanged() { FFrequencyMode = ValidMode(Preferences->FrequencySetting()); }

void TPlaybackControl::KnowledgeReloaded() {
  if (!TuneInMemory) return;
  State.StilAvailable = !GetStilText(FCurrentFile, false).empty();
  View.StilEntryChanged(State.StilAvailable);
  ShowSongLength(Shared.CurrentSong);
}

void TPlaybackControl::PlayFile(const std::string& fileName) {
  State.PlayEnabled = false;
  State.StopEnabled = false;
  State.TransportEnabled = false;
  View.ControlsChanged();
  Timer.StopPlayerThread();
  State.Title.clear();
  State.Author.clear();
  State.Released.clear();
  ChooseFile(fileName);
  Shared.ReloadPending = true;
  Shared.StartPending = true;
  State.PlayEnabled = true;
  State.StopEnabled = true;
  State.TransportEnabled = true;
  View.ControlsChanged();
  PlayPause();
}

void TPlaybackControl::LoadFile(const std::string& fileName) {
  Stop();
  ChooseFile(fileName);
  if (!SetupTune(true)) return;
  Machine.PlaySeconds = 0;
  Machine.PlayMinutes = 0;
  Machine.PlayHours = 0;
  Machine.PlayClockAccumulator = 0;
  View.ShowStatus(TStatusPanel::Time, PlayTimeText(0, 0, 0));
  Shared.ReloadPending = false;
  Shared.StartPending = true;
  State.PlayEnabled = true;
  State.PlayDown = false;
  View.ControlsChanged();
}

// ---- Transport ----

void TPlaybackControl::PlayPause() {
  if (FBusy) {
    View.ResetHover();
    return;
  }
  FBusy = true;
  State.PlayEnabled = false;
  SetNormalSpeed();
  State.NextHintShown = true;
  View.ControlsChanged();
  if (!FPlaybackPaused && !Shared.StartPending) {
    if (!Timer.Player) {
      State.PlayEnabled = true;
      FBusy = false;
      Shared.StartPending = true;
      PlayPause();
      return;
    }
    Pause();
  } else {
    Resume();
  }
  FBusy = false;
  State.PlayEnabled = true;
  View.ResetHover();
  View.ControlsChanged();
}

void TPlaybackControl::Pause() {
  {
    std::lock_guard<std::mutex> hold(StatusLock);
    Shared.StatusLive = false;
    View.ShowStatus(TStatusPanel::Song, " Paused...");
  }
  FPlaybackPaused = true;
  Timer.FastForward = false;
  SetNormalSpeed();
  State.StopEnabled = true;
  if (!Timer.Player->Suspended()) {
    Machine.Writer->Paused = true;
    Timer.Player->WakeEvent.Signal();
  }
  State.PlayDown = false;
  View.ControlsChanged();
  Timer.PostMuteAll();
}

void TPlaybackControl::Resume() {
  Machine.Writer->Paused = false;
  FPlaybackPaused = false;
  Shared.StatusLive = true;
  State.PlayDown = true;
  State.StopEnabled = false;
  View.ControlsChanged();
  StartPlayback();
}

void TPlaybackControl::StartPlayback() {
  if (Machine.Devices->Count() == 0) {
    Stop();
    View.ShowMessage(TMessageStyle::Plain, NoHardwareMessage);
    return;
  }
  State.StopEnabled = true;
  View.ControlsChanged();
  if (!Timer.Player) {
    if (!SetupTune(Shared.ReloadPending)) {
      Stop();
      return;
    }
    if (std::string reason; !Machine.Devices->StartOutput(State.Device, reason)) {
      Stop();
      ShowSilentReason(reason);
      return;
    }
    StartPlayer();
  }
  if (!FPlaybackPaused) {
    Timer.Player->WakeEvent.Signal();
    if (!State.MuteAllChecked) UnmuteCheckedVoices();
  }
}

// The status bar keeps the reason after the message box has gone.
void TPlaybackControl::ShowSilentReason(const std::string& reason) {
  {
    std::lock_guard<std::mutex> hold(StatusLock);
    View.ShowStatus(TStatusPanel::Song, " " + reason);
  }
  View.ShowMessage(TMessageStyle::Plain, reason);
}

void TPlaybackControl::StartPlayer() {
  Shared.NeedsBasicRom = false;
  BasicRomReported = false;
  Timer.Player = std::make_unique<TPlayer>(Timer, Machine, Loader.Tune, Shared);
  Timer.Player->Start();
}

void TPlaybackControl::Stop() {
  State.PlayEnabled = false;
  State.StopEnabled = false;
  {
    std::lock_guard<std::mutex> hold(StatusLock);
    ShowStopped();
  }
  Timer.FastForward = false;
  SetNormalSpeed();
  State.PlayDown = false;
  View.ControlsChanged();
  Timer.StopPlayerThread();
  Timer.PostResetDevices(1);
  FPlaybackPaused = false;
  Shared.StartPending = true;
  State.PlayEnabled = true;
  View.ControlsChanged();
}

void TPlaybackControl::ShowStopped() {
  Shared.StatusLive = false;
  View.ShowStatus(TStatusPanel::Song, " Stopped...");
  View.ShowStatus(TStatusPanel::Cpu, " 6510 CPU 000%");
}

void TPlaybackControl::RestartPlayback() {
  if (!State.StopEnabled) return;
  const bool running = Timer.Player && !FPlaybackPaused;
  Stop();
  if (running) PlayPause();
}

void TPlaybackControl::TogglePlay(bool checkBoxFocused) {
  if (Timer.FastForward) {
    EndFastForward();
  } else if (!checkBoxFocused && State.PlayEnabled) {
    PlayPause();
  }
}

void TPlaybackControl::SetNormalSpeed() {
  Timer.PlaySpeed = 1;
  Machine.Writer->SetSpeed(1);
}

// ---- Songs ----

void TPlaybackControl::SelectSong(int32_t song) { MoveTrackBar(song); }

void TPlaybackControl::MoveTrackBar(int32_t position) {
  TrackBarChanged(std::clamp(position, 1, State.TrackBarMaximum));
}

// The timer is not started for the position that SetupTune gives the track bar while a start is
// under way.
void TPlaybackControl::TrackBarChanged(int32_t position) {
  State.TrackBarPosition = std::clamp(position, 1, State.TrackBarMaximum);
  View.StopTimer(TWindowTimer::SongChange);
  if (State.TrackBarPosition == Shared.CurrentSong) {
    View.ControlsChanged();
    return;
  }
  State.TrackBarHint = SongHint(State.TrackBarPosition);
  State.PreviousEnabled = State.TrackBarPosition != 1;
  View.ControlsChanged();
  if (!(Shared.StartPending && State.StopEnabled)) View.StartTimer(TWindowTimer::SongChange);
}

void TPlaybackControl::SongChangeTimerFired() {
  State.TrackBarEnabled = false;
  View.ControlsChanged();
  View.StopTimer(TWindowTimer::SongChange);
  Shared.StartPending = true;
  Shared.CurrentSong = State.TrackBarPosition;
  ShowSongLength(Shared.CurrentSong);
  if (State.StopEnabled) {
    FPlaybackPaused = false;
    Timer.StopPlayerThread();
    PlayPause();
  } else {
    std::lock_guard<std::mutex> hold(StatusLock);
    RefreshStatusBar();
  }
  View.WaitProcessingMessages(TrackBarRestMs);
  State.TrackBarEnabled = State.TrackBarMaximum > 1;
  View.ResetHover();
  View.ControlsChanged();
}

void TPlaybackControl::PreviousSong() {
  if (State.TrackBarEnabled) MoveTrackBar(State.TrackBarPosition - 1);
}

void TPlaybackControl::NextSong() {
  if (State.TrackBarEnabled) MoveTrackBar(State.TrackBarPosition + 1);
}

void TPlaybackControl::NextButtonDown() {
  if (FBusy) return;
  FNextButtonHeld = true;
  View.StopTimer(TWindowTimer::NextHold);
  View.StartTimer(TWindowTimer::NextHold);
}

// A click on a program file's next button is left to the hold timer, which presses the space key.
void TPlaybackControl::NextButtonUp() {
  State.NextHintShown = false;
  FNextButtonHeld = false;
  if (!Timer.FastForward) {
    NextSong();
  } else {
    Timer.FastForward = false;
    EndFastForward();
  }
  if (!Loader.Tune.programFile) View.StopTimer(TWindowTimer::NextHold);
  Timer.RestPlayer();
  View.ShowStatus(TStatusPanel::Speed, NormalSpeedText);
  View.ControlsChanged();
}

void TPlaybackControl::NextHoldTimerFired() {
  View.StopTimer(TWindowTimer::NextHold);
  if (FNextButtonHeld) {
    StartFastForward();
    Timer.PostFlush();
    Timer.RestPlayer();
  } else if (Loader.Tune.programFile) {
    Machine.PressSpaceKey();
  } else if (SongCount > 1) {
    EndFastForward();
    NextSong();
  }
}

// ---- Fast forward ----

void TPlaybackControl::StartFastForward() {
  Timer.FastForward = true;
  Timer.PlaySpeed = 2;
  Machine.Writer->SetSpeed(2);
}

void TPlaybackControl::EndFastForward() {
  if (Timer.PlaySpeed <= 1) return;
  Timer.FastForward = false;
  SetNormalSpeed();
  Timer.PostFlush();
  if (Timer.Player && !Timer.Player->Suspended()) {
    Timer.Player->WakeEvent.Signal();
    Timer.RestPlayer();
  }
  View.WaitProcessingMessages(FastForwardSettleMs);
}

void TPlaybackControl::StartKeyFastForward() {
  if (!Timer.FastForward) StartFastForward();
}

void TPlaybackControl::MediaFastForward() {
  StartFastForward();
  View.StopTimer(TWindowTimer::KeyFastForward);
  View.StartTimer(TWindowTimer::KeyFastForward);
}

// ---- Clock ----

void TPlaybackControl::ShowClock(const std::string& text) { View.ShowStatus(TStatusPanel::Clock, text); }

void TPlaybackControl::ChoosePal() {
  if ((FFrequencyMode == PalDefault || FFrequencyMode == PalAlways) && Loader.Tune.clockPal) return;
  FFrequencyMode = PalAlways;
  ShowClock("PAL");
  RestartForClock();
}

void TPlaybackControl::ChooseNtsc() {
  if ((FFrequencyMode == NtscDefault || FFrequencyMode == NtscAlways) && !Loader.Tune.clockPal) return;
  FFrequencyMode = NtscAlways;
  ShowClock("NTSC");
  RestartForClock();
}

// The tune restarts from memory with the new clock when it is playing or paused.
void TPlaybackControl::RestartForClock() {
  Shared.ReloadPending = false;
  Shared.StartPending = true;
  if (!(State.StopEnabled && State.PlayEnabled)) return;
  Timer.StopPlayerThread();
  PlayPause();
}

void TPlaybackControl::TogglePalFrequencyFixed() {
  if (FFrequencyMode == PalFrequencyFixed) {
    SwitchFrequencyFixedOff();
    return;
  }
  FFrequencyMode = PalFrequencyFixed;
  ApplyFrequencyMode();
  HoldDevicesAt(true);
}

void TPlaybackControl::ToggleNtscFrequencyFixed() {
  if (FFrequencyMode == NtscFrequencyFixed) {
    SwitchFrequencyFixedOff();
    return;
  }
  FFrequencyMode = NtscFrequencyFixed;
  ApplyFrequencyMode();
  HoldDevicesAt(false);
}

void TPlaybackControl::SwitchFrequencyFixedOff() {
  TTuneRecord& tune = Loader.Tune;
  tune.palFrequencyFixed = false;
  tune.ntscFrequencyFixed = false;
  if (!tune.clockPal && !tune.clockNtsc) return;
  FFrequencyMode = tune.clockPal ? PalAlways : NtscAlways;
  ShowClock(ClockText(tune.clockPal, false));
  HoldDevicesAt(tune.clockPal);
}

void TPlaybackControl::HoldDevicesAt(bool pal) {
  TDevices& devices = *Machine.Devices;
  for (int32_t device = 0; device < devices.Count(); ++device) devices.SetPal(device, pal);
}

// ---- Voices and device ----

void TPlaybackControl::UnmuteCheckedVoices() { Timer.PostUnmuteVoices(State.VoiceChecked); }

void TPlaybackControl::VoiceClicked(int32_t voice, bool checked) {
  if (voice < 1 || voice > 4) return;
  State.VoiceChecked[voice - 1] = checked;
  Shared.VoiceChecked[voice - 1] = checked;
  View.ControlsChanged();
  if (!checked) {
    Timer.PostMuteVoice(voice);
  } else if (!FPlaybackPaused && !State.MuteAllChecked) {
    std::array<bool, 4> only{};
    only[voice - 1] = true;
    Timer.PostUnmuteVoices(only);
  }
  View.ProcessMessages();
  Timer.RestPlayer();
}

void TPlaybackControl::MuteAllClicked(bool checked) {
  State.MuteAllChecked = checked;
  Shared.MuteAllChecked = checked;
  View.ControlsChanged();
  if (checked) {
    Timer.PostMuteAll();
  } else if (!FPlaybackPaused) {
    UnmuteCheckedVoices();
  }
  Timer.RestPlayer();
}

void TPlaybackControl::FilterClicked(bool checked) {
  State.FilterChecked = checked;
  View.ControlsChanged();
  if (checked) {
    Timer.PostFilterOn();
  } else {
    Timer.PostFilterOff();
  }
  Timer.RestPlayer();
}

// Each box that changes runs its own action, as a click on it would.
void TPlaybackControl::Solo(int32_t voice) {
  if (voice < 1 || voice > 4) return;
  for (int32_t other = 1; other <= 4; ++other) {
    const bool checked = other == voice;
    if (State.VoiceChecked[other - 1] != checked) VoiceClicked(other, checked);
  }
}

void TPlaybackControl::DeviceChanged(int32_t index) {
  State.Device = index;
  Machine.Writer->RequestDevice(index);
  Timer.RestPlayer();
  View.ControlsChanged();
}

// ---- Process priority ----

void TPlaybackControl::Minimised() {
  View.StopTimer(TWindowTimer::Priority);
  Machine.Devices->SetPriority(Machine.Writer->CurrentDevice, MinimisedClass);
  Timer.RestPlayer();
}

void TPlaybackControl::SystemCommand() {
  Minimised();
  View.StartTimer(TWindowTimer::Priority);
}

void TPlaybackControl::PriorityTimerFired(bool applicationActive, bool mainWindowActive) {
  View.StopTimer(TWindowTimer::Priority);
  View.ProcessMessages();
  if (applicationActive && !mainWindowActive) View.StartTimer(TWindowTimer::Priority);
  if (Timer.Player) Machine.Devices->SetPriority(Machine.Writer->CurrentDevice, TSidDevice::HighClass);
}

// ---- Timers ----

void TPlaybackControl::TimerFired(TWindowTimer timer, bool applicationActive, bool mainWindowActive) {
  switch (timer) {
    case TWindowTimer::SongChange:
      SongChangeTimerFired();
      break;
    case TWindowTimer::NextHold:
      NextHoldTimerFired();
      break;
    case TWindowTimer::KeyFastForward:
      View.StopTimer(TWindowTimer::KeyFastForward);
      EndFastForward();
      break;
    case TWindowTimer::Priority:
      PriorityTimerFired(applicationActive, mainWindowActive);
      break;
  }
}

// ---- Status bar ----

void TPlaybackControl::UpdateStatusBar() {
  std::lock_guard<std::mutex> hold(StatusLock);
  // A stop or pause may have come between the bars thread's look at the flag and this call.
  if (Shared.StatusLive) RefreshStatusBar();
}

void TPlaybackControl::RefreshStatusBar() {
  const float load = Machine.CpuLoad;
  if (CpuPeak < load) CpuPeak = static_cast<int32_t>(std::lrint(load));
  const int32_t average = AverageForwardRate();
  if (++StatusTicks >= StatusUpdatesPerSpeedShow) {
    StatusTicks = 0;
    View.ShowStatus(TStatusPanel::Cpu, " 6510 CPU " + ZeroPad(CpuPeak, 3) + "%" + ChipsNote(SidChips));
    View.ShowStatus(TStatusPanel::Speed, "Speed - " + ZeroPad(average, 3));
    CpuPeak = 0;
  }
  const long frequency = std::lrint(Timer.PlayFrequency.load());
  View.ShowStatus(TStatusPanel::Song, " Playing tune " + ZeroPad(Shared.CurrentSong, 3) + " of " +
                                          ZeroPad(SongCount, 3) + " / " + ZeroPad(frequency, 5) + " Hz");
  View.ShowStatus(TStatusPanel::Time, PlayTimeText(Machine.PlayHours, Machine.PlayMinutes, Machine.PlaySeconds));
  if (Shared.NeedsBasicRom && !BasicRomReported.exchange(true))
    View.ShowMessage(TMessageStyle::Information, BasicRomMessage());
}

// The player thread empties the ring whenever it plays at normal speed with sound, so its
// counters may drop to 0 between two reads here.
int32_t TPlaybackControl::AverageForwardRate() {
  const int32_t index = std::clamp(Shared.SpeedIndex.load(), 0, SpeedHistorySize - 1);
  SpeedHistory[index] = Timer.ForwardRate;
  Shared.SpeedIndex = index + 1 < SpeedHistorySize ? index + 1 : 0;
  const int32_t samples = std::clamp(Shared.SpeedSamples.load() + 1, 1, SpeedHistorySize);
  Shared.SpeedSamples = samples;
  if (!Timer.FastForward) return 1;
  int64_t sum = 0;
  for (int32_t sample = 0; sample < samples; ++sample) sum += SpeedHistory[sample];
  return static_cast<int32_t>(std::lrint(static_cast<double>(sum) / samples));
}
