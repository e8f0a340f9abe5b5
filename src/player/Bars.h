#pragma once
// TBars: the level display's thread for the whole run. Every 20 ms it plays the stream's delay
// line up to the present, copies the four voice levels for the window's bars, lets the levels
// decay, keeps the shown interrupt rate current and asks the window to refresh its status bar.
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

#include "platform/Event.h"
#include "player/PlaybackFields.h"

class TSidWriter;
class TdmTimer;

class TBars {
 public:
  static constexpr uint32_t TickMs = 20;
  // Each tick lowers a level by this much: a new note (69) empties its bar in 23 ticks.
  static constexpr int32_t Decay = 3;
  static constexpr int32_t BarMaximum = 70;

  // refreshStatusBar runs on this thread while the window's StatusLive is set.
  TBars(TdmTimer& timer, TSidWriter& writer, TPlaybackFields& window, std::function<void()> refreshStatusBar);
  ~TBars();
  TBars(const TBars&) = delete;
  TBars& operator=(const TBars&) = delete;

  void Start();
  // Asks the thread to end, wakes it and waits for it.
  void Stop();

  // What the window's bars show, 0..70: voice 1, voice 2, voice 3, digi.
  std::array<std::atomic<int32_t>, 4> Bar{};
  platform::TEvent TickEvent;

 private:
  void Execute();
  void Tick();
  void ShowVoiceLevels();

  TdmTimer& Timer;
  TSidWriter& Writer;
  TPlaybackFields& Window;
  std::function<void()> RefreshStatusBar;
  std::atomic<bool> Terminated{false};
  std::thread Thread;
};
