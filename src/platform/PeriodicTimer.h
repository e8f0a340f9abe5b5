#pragma once
// A periodic timer thread that signals an event on every tick, paced by absolute deadlines
// so that late wake-ups do not accumulate drift.
#include <atomic>
#include <cstdint>
#include <thread>

#include "platform/Event.h"

namespace platform {

class TPeriodicTimer {
 public:
  TPeriodicTimer() = default;
  ~TPeriodicTimer();
  TPeriodicTimer(const TPeriodicTimer&) = delete;
  TPeriodicTimer& operator=(const TPeriodicTimer&) = delete;

  // Starts ticking every periodMs milliseconds, signalling target on each tick. A running
  // timer is stopped first. Returns false for a zero period or when the thread cannot start.
  // Ticks missed while the system stalled the thread are dropped, not caught up in a burst.
  bool Start(uint32_t periodMs, TEvent& target);
  // Stops the thread and waits for it (at most one period); harmless when not running.
  void Stop();
  bool Running() const { return Thread.joinable(); }

 private:
  void Run(uint32_t periodMs, TEvent* target);
  std::thread Thread;
  std::atomic<bool> StopRequested{false};
};

// Blocks the calling thread for ms milliseconds (a one-shot timer wait).
void OneShotWait(uint32_t ms);

}  // namespace platform
