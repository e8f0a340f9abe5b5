#include <gtest/gtest.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/Clock.h"
#include "platform/Event.h"
#include "platform/PeriodicTimer.h"
#include "platform/Threads.h"

namespace {

using platform::TEvent;

int64_t ElapsedMs(int64_t since) {
  return (platform::QueryCounter() - since) * 1000 / platform::CounterFrequency();
}

TEST(Event, SignalIsKeptForOneWaitOnly) {
  TEvent event;
  event.Signal();
  event.Signal();
  EXPECT_TRUE(event.Wait(0));
  EXPECT_FALSE(event.Wait(0)) << "two signals without a waiter wake one wait";
  event.Signal();
  event.Reset();
  EXPECT_FALSE(event.Wait(0));
}

TEST(Event, TimedWaitTimesOut) {
  TEvent event;
  const int64_t start = platform::QueryCounter();
  EXPECT_FALSE(event.Wait(50));
  EXPECT_GE(ElapsedMs(start), 49);
}

TEST(Event, EachSignalWakesExactlyOneWaiter) {
  constexpr int kWaiters = 3;
  TEvent event;
  std::atomic<int> woken{0};
  std::vector<std::thread> waiters;
  for (int i = 0; i < kWaiters; ++i) {
    waiters.emplace_back([&] {
      if (event.Wait(20'000)) ++woken;
    });
  }
  for (int signals = 1; signals <= kWaiters; ++signals) {
    event.Signal();
    const int64_t start = platform::QueryCounter();
    while (woken < signals && ElapsedMs(start) < 10'000) std::this_thread::yield();
    ASSERT_EQ(woken, signals);
    platform::SleepMs(50);
    EXPECT_EQ(woken, signals) << "one signal woke more than one waiter";
  }
  for (std::thread& waiter : waiters) waiter.join();
}

TEST(PeriodicTimer, TicksUntilStopped) {
  const struct {
    uint32_t periodMs;
    int ticks;
  } cases[] = {{1, 200}, {20, 10}};
  for (const auto& c : cases) {
    TEvent tick;
    platform::TPeriodicTimer timer;
    ASSERT_TRUE(timer.Start(c.periodMs, tick));
    EXPECT_TRUE(timer.Running());
    int counted = 0;
    const int64_t start = platform::QueryCounter();
    while (counted < c.ticks && ElapsedMs(start) < 10'000) counted += tick.Wait(100);
    EXPECT_EQ(counted, c.ticks) << c.periodMs << " ms";
    // A tick lasts a period, so at most a few hundred could have passed by now.
    EXPECT_GE(ElapsedMs(start), int64_t(c.periodMs) * (c.ticks - 1)) << "ticks come too fast";
    timer.Stop();
    EXPECT_FALSE(timer.Running());
    tick.Reset();
    EXPECT_FALSE(tick.Wait(100)) << "a stopped timer still ticks";
  }
}

TEST(PeriodicTimer, RestartsAndRefusesZeroPeriod) {
  TEvent first, second;
  platform::TPeriodicTimer timer;
  EXPECT_FALSE(timer.Start(0, first));
  EXPECT_FALSE(timer.Running());
  ASSERT_TRUE(timer.Start(1, first));
  ASSERT_TRUE(timer.Start(1, second));
  first.Reset();
  EXPECT_TRUE(second.Wait(5'000));
  EXPECT_FALSE(first.Wait(50)) << "the first run was not stopped";
  timer.Stop();
  timer.Stop();
}

TEST(OneShotWait, WaitsAtLeastItsTime) {
  const int64_t start = platform::QueryCounter();
  platform::OneShotWait(30);
  EXPECT_GE(ElapsedMs(start), 29);
}

TEST(Threads, AffinityPinsTheCallingThread) {
  cpu_set_t allowed;
  ASSERT_EQ(sched_getaffinity(0, sizeof allowed, &allowed), 0);
  int target = 0;
  while (!CPU_ISSET(target, &allowed)) ++target;
  std::thread([&] {
    platform::SetThreadAffinity(unsigned(target));
    platform::SetThreadAffinity(CPU_SETSIZE);  // no such processor: ignored
    cpu_set_t pinned;
    ASSERT_EQ(sched_getaffinity(0, sizeof pinned, &pinned), 0);
    EXPECT_EQ(CPU_COUNT(&pinned), 1);
    EXPECT_TRUE(CPU_ISSET(target, &pinned));
  }).join();
}

// Priorities only ever go down here, which every user may do; a child process keeps the
// test program's own priority untouched.
TEST(Threads, ClassAndThreadStepsCombine) {
  if (getpriority(PRIO_PROCESS, 0) > 5) GTEST_SKIP() << "the tests already run below normal";
  const pid_t child = fork();
  if (child == 0) {
    std::atomic<pid_t> workerId{0};
    TEvent finish;
    std::thread worker([&] {
      platform::SetThreadPriority(platform::TThreadPriority::Lowest);
      workerId = gettid();
      finish.Wait();
    });
    while (workerId == 0) platform::YieldThread();
    platform::SetProcessPriorityClass(platform::TPriorityClass::BelowNormal);
    const bool combined = getpriority(PRIO_PROCESS, gettid()) == 5 &&
                          getpriority(PRIO_PROCESS, workerId) == 15 &&
                          platform::CurrentProcessPriorityClass() == platform::TPriorityClass::BelowNormal;
    platform::SetThreadPriority(platform::TThreadPriority::Idle);
    const bool idle = getpriority(PRIO_PROCESS, gettid()) == 19 &&
                      platform::CurrentThreadPriority() == platform::TThreadPriority::Idle;
    finish.Signal();
    worker.join();
    _exit(combined && idle ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(platform::CurrentProcessPriorityClass(), platform::TPriorityClass::Normal);
}

}  // namespace
