#include "player/Bars.h"

#include <algorithm>
#include <cmath>
#include <system_error>

#include "output/SidWriter.h"
#include "platform/PeriodicTimer.h"
#include "platform/Threads.h"
#include "player/dmSidPlayer.h"

TBars::TBars(TdmTimer& timer, TSidWriter& writer, TPlaybackFields& window, std::function<void()> refreshStatusBar)
    : Timer(timer), Writer(writer), Window(window), RefreshStatusBar(std::move(refreshStatusBar)) {}

TBars::~TBars() { Stop(); }

// Without the thread the bars stay empty; nothing else depends on it.
void TBars::Start() {
  if (Thread.joinable()) return;
  try {
    Thread = std::thread(&TBars::Execute, this);
  } catch (const std::system_error&) {
  }
}

void TBars::Stop() {
  Terminated = true;
  TickEvent.Signal();
  if (Thread.joinable()) Thread.join();
}

void TBars::Execute() {
  platform::SetThreadAffinity(0);
  platform::SetThreadPriority(platform::TThreadPriority::AboveNormal);
  platform::TPeriodicTimer ticker;
  ticker.Start(TickMs, TickEvent);
  while (!Terminated) {
    TickEvent.Wait();
    if (Terminated) break;
    Tick();
  }
  ticker.Stop();
}

void TBars::Tick() {
  // nearbyint rounds halves to the even neighbour in the default rounding mode.
  if (const float rate = Timer.FrameRate(); rate > 0) Timer.PlayFrequency = std::nearbyint(rate);
  if (Window.StatusLive && RefreshStatusBar) RefreshStatusBar();
  Writer.Drain();
  ShowVoiceLevels();
  platform::YieldThread();
}

// The stream raises a level to 69 on a note start, on whichever thread drains it; lowering it
// here must not undo a raise that lands in between.
void TBars::ShowVoiceLevels() {
  for (size_t channel = 0; channel < Bar.size(); ++channel) {
    std::atomic<int32_t>& level = Writer.VoiceLevel[channel];
    int32_t seen = level.load(std::memory_order_relaxed);
    Bar[channel].store(std::clamp(seen, 0, BarMaximum), std::memory_order_relaxed);
    while (!level.compare_exchange_weak(seen, seen > 0 ? seen - Decay : 0, std::memory_order_relaxed)) {
    }
  }
}
