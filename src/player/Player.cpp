#include "player/Player.h"

#include <system_error>

#include "c64/T6510.h"
#include "output/SidDevice.h"
#include "platform/Clock.h"
#include "platform/PeriodicTimer.h"
#include "platform/Threads.h"
#include "player/dmSidPlayer.h"

namespace {

constexpr uint32_t PacingPeriodMs = 1;
constexpr uint32_t RestMs = 20;
constexpr uint32_t PausedWaitMs = 20;
constexpr uint32_t SliceWaitMs = 1;
constexpr uint32_t SongBitCount = 32;

}  // namespace

TPlayer::TPlayer(TdmTimer& timer, T6510& machine, const TTuneRecord& tune, TPlaybackFields& window)
    : Timer(timer), Machine(machine), Tune(tune), Window(window) {}

TPlayer::~TPlayer() { Stop(); }

// A thread the system refuses leaves the player suspended; the window's commands then run on
// its own thread.
void TPlayer::Start() {
  if (Thread.joinable()) return;
  try {
    Thread = std::thread(&TPlayer::Execute, this);
  } catch (const std::system_error&) {
  }
}

void TPlayer::Stop() {
  Terminated = true;
  WakeEvent.Signal();
  if (Thread.joinable()) Thread.join();
}

void TPlayer::Execute() {
  platform::SetThreadAffinity(0);
  platform::SetThreadPriority(platform::TThreadPriority::AboveNormal);
  TSidWriter& writer = *Machine.Writer;
  Machine.Devices->SetPriority(writer.CurrentDevice, TSidDevice::HighClass);
  platform::TPeriodicTimer pacer;
  pacer.Start(PacingPeriodMs, WakeEvent);
  PrepareSong();
  RunPasses();
  writer.Flush();
  writer.SilenceChips();
  pacer.Stop();
  Done.store(true, std::memory_order_release);
}

void TPlayer::PrepareSong() {
  RestRequested = false;
  Timer.DiscardPendingCommand();
  Window.ReloadPending = false;
  Machine.PlaySeconds = 0;
  Machine.PlayMinutes = 0;
  Machine.PlayHours = 0;
  Machine.PlayClockAccumulator = 0;
  Machine.SetPlaySidMode(Tune.playSidSpecific);
  Machine.SetVideoStandard(Tune.clockPal ? 1 : 0);
  HoldDeviceClocks();
  Machine.Writer->Reset();
  MuteUncheckedVoices();
  const int32_t currentSong = Window.CurrentSong;
  const auto song = static_cast<uint8_t>(currentSong & 0xFF);
  const bool rsid = Tune.magicId == "RSID";
  PresetInterruptRate(currentSong, rsid);
  Machine.StartSong(&Terminated, song, rsid, Tune.speed, static_cast<uint16_t>(Tune.playAddress),
                    static_cast<uint16_t>(Tune.initAddress));
  PublishFramePeriod();
  if (const float rate = Timer.FrameRate(); rate > 0) Timer.PlayFrequency = rate;
  Window.StartPending = false;
}

// In the "Frequency Fixed" modes the chips keep one clock whatever the tune's own.
void TPlayer::HoldDeviceClocks() {
  if (!Tune.palFrequencyFixed && !Tune.ntscFrequencyFixed) return;
  const bool pal = Tune.palFrequencyFixed;
  TDevices& devices = *Machine.Devices;
  for (int32_t device = 0; device < devices.Count(); ++device) {
    devices.SetPal(device, pal);
    devices.SetClock(device, pal ? TClockMode::Pal : TClockMode::Ntsc);
  }
}

void TPlayer::MuteUncheckedVoices() {
  const bool muteAll = Window.MuteAllChecked;
  for (int32_t voice = 1; voice <= 4; ++voice)
    if (muteAll || !Window.VoiceChecked[voice - 1]) Machine.Writer->MuteVoice(voice);
}

// The rate shown until the machine's frame period can tell it.
void TPlayer::PresetInterruptRate(int32_t song, bool rsid) {
  Machine.PresetCiaTimers(static_cast<uint8_t>(song & 0xFF), rsid, Tune.speed);
  const uint32_t speedBit = (static_cast<uint32_t>(song) - 1) % SongBitCount;
  const bool ciaTimed = rsid || ((Tune.speed >> speedBit) & 1);
  Timer.PlayFrequency = ciaTimed || !Tune.clockPal ? 60.0f : 50.0f;
}

void TPlayer::PublishFramePeriod() { Timer.PublishFramePeriod(Machine.FramePeriod(), Machine.IsPal != 0); }

void TPlayer::RunPasses() {
  TSidWriter& writer = *Machine.Writer;
  const int64_t frequency = platform::CounterFrequency();
  int64_t last = platform::QueryCounter();
  int32_t count = 0;
  while (!Terminated) {
    if (RestRequested) {
      platform::OneShotWait(RestMs);
      platform::YieldThread();
      RestRequested = false;
    }
    Timer.ExecutePendingCommand();
    if (writer.Paused) {
      WakeEvent.Wait(PausedWaitMs);
      continue;
    }
    WakeEvent.Reset();
    const bool wrote = Machine.Step() == 1;
    if (Machine.NeedsBasicRom()) Window.NeedsBasicRom.store(true, std::memory_order_relaxed);
    Slices.fetch_add(1, std::memory_order_relaxed);
    PublishFramePeriod();
    const int32_t speed = Timer.PlaySpeed;
    // The tune is writing: the device's pacing holds this thread, the timer need not.
    if (wrote && speed == 1) WakeEvent.Signal();
    if (speed != 1) {
      PaceFastForward(count, last, frequency);
    } else if (writer.SoundStarted) {
      count = 0;
      Timer.ForwardRate = 1;
      Window.SpeedSamples = 0;
      Window.SpeedIndex = 0;
      PaceNormalSpeed();
      continue;
    }
    platform::YieldThread();
  }
}

// Counts the slices of each real millisecond into ForwardRate and holds them to MaxForwardSpeed.
void TPlayer::PaceFastForward(int32_t& count, int64_t& last, int64_t frequency) {
  ++count;
  const int64_t now = platform::QueryCounter();
  if ((now - last) * 1000 >= frequency) {
    last = now;
    Timer.ForwardRate = count;
    count = 0;
    return;
  }
  const int32_t limit = Timer.MaxForwardSpeed;
  if (limit >= TdmTimer::UnlimitedForwardSpeed || count < limit) return;
  WakeEvent.Wait(SliceWaitMs);
  last = platform::QueryCounter();
  Timer.ForwardRate = count;
  count = 0;
}

// A chip that keeps time itself blocks this thread while it writes, and hears about the silent
// stretches from the machine; every other chip leaves the silent stretches to the timer.
void TPlayer::PaceNormalSpeed() {
  if (Machine.Devices->HandlesIdleDelay(Machine.Writer->CurrentDevice)) {
    const int32_t idle = Machine.CyclesSinceSidWrite;
    if (idle > 0 && idle <= LongestDeviceIdle) return;
  }
  WakeEvent.Wait(SliceWaitMs);
}
