#pragma once
// TPlayer: the thread of one playback. It alone runs the emulated C64, one millisecond of C64
// time per pass, and through it feeds the SID write stream and the device. The device's own
// pacing holds it to real time while the tune writes to the SID, the 1 ms timer while the tune
// is silent; before the first sound and during fast forward it runs ahead.
#include <atomic>
#include <cstdint>
#include <thread>

#include "platform/Event.h"
#include "player/PlaybackFields.h"
#include "tune/TuneRecord.h"

class T6510;
class TdmTimer;

class TPlayer {
 public:
  // A tune silent for longer than this (about half a second of PAL time) is paced by the timer
  // even on a chip that keeps time itself.
  static constexpr int32_t LongestDeviceIdle = 491400;

  // Created suspended; the thread starts with Start. The tune is copied, so the window may
  // change its record while the thread runs.
  TPlayer(TdmTimer& timer, T6510& machine, const TTuneRecord& tune, TPlaybackFields& window);
  ~TPlayer();
  TPlayer(const TPlayer&) = delete;
  TPlayer& operator=(const TPlayer&) = delete;

  void Start();
  bool Suspended() const { return !Thread.joinable(); }
  // True once the thread has left its last pass and let go of the stream and the device.
  bool Finished() const { return Done.load(std::memory_order_acquire); }
  // Asks the thread to end (also ends a long init routine) and waits for it.
  void Stop();

  // Milliseconds of C64 time run since the song started.
  uint64_t EmulatedMs() const { return Slices.load(std::memory_order_relaxed); }

  // Set by the window: rest 20 ms at the top of the next pass.
  std::atomic<bool> RestRequested{false};
  // Signalled by the 1 ms timer and by the window.
  platform::TEvent WakeEvent;

 private:
  void Execute();
  void PrepareSong();
  void HoldDeviceClocks();
  void MuteUncheckedVoices();
  void PresetInterruptRate(int32_t song, bool rsid);
  void PublishFramePeriod();
  void RunPasses();
  void PaceFastForward(int32_t& count, int64_t& last, int64_t frequency);
  void PaceNormalSpeed();

  TdmTimer& Timer;
  T6510& Machine;
  const TTuneRecord Tune;
  TPlaybackFields& Window;
  std::atomic<bool> Terminated{false};
  std::atomic<bool> Done{false};
  std::atomic<uint64_t> Slices{0};
  std::thread Thread;
};
