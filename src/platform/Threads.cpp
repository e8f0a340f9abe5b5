#include "platform/Threads.h"

#include <dirent.h>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <mutex>

#include "platform/Clock.h"

namespace platform {
namespace {

constexpr int kHighestNice = -20;
constexpr int kLowestNice = 19;

int ClassNice(TPriorityClass priorityClass) {
  switch (priorityClass) {
    case TPriorityClass::Idle: return kLowestNice;
    case TPriorityClass::BelowNormal: return 5;
    case TPriorityClass::Normal: return 0;
    case TPriorityClass::AboveNormal: return -5;
    case TPriorityClass::High: return -10;
    case TPriorityClass::Realtime: return kHighestNice;
  }
  return 0;
}

int ThreadNice(TPriorityClass priorityClass, TThreadPriority priority) {
  int step = 0;
  switch (priority) {
    case TThreadPriority::Idle: return kLowestNice;
    case TThreadPriority::TimeCritical: return kHighestNice;
    case TThreadPriority::Lowest: step = 10; break;
    case TThreadPriority::BelowNormal: step = 5; break;
    case TThreadPriority::Normal: step = 0; break;
    case TThreadPriority::AboveNormal: step = -5; break;
    case TThreadPriority::Highest: step = -10; break;
  }
  return std::clamp(ClassNice(priorityClass) + step, kHighestNice, kLowestNice);
}

// Linux keeps a nice value per thread, so the process's class is applied thread by thread
// and each thread's own step has to be remembered to combine it with a new class.
struct TScheduling {
  std::mutex Lock;
  TPriorityClass Class = TPriorityClass::Normal;
  std::map<pid_t, TThreadPriority> Steps;

  TThreadPriority StepOf(pid_t thread) const {
    const auto found = Steps.find(thread);
    return found == Steps.end() ? TThreadPriority::Normal : found->second;
  }
};

TScheduling& Scheduling() {
  static TScheduling scheduling;
  return scheduling;
}

bool ApplyNice(pid_t thread, int nice) { return setpriority(PRIO_PROCESS, thread, nice) == 0; }

template <class Visit>
void ForEachThread(Visit visit) {
  DIR* tasks = opendir("/proc/self/task");
  if (!tasks) {
    visit(gettid());
    return;
  }
  while (const dirent* entry = readdir(tasks)) {
    if (entry->d_name[0] != '.') visit(pid_t(std::atoi(entry->d_name)));
  }
  closedir(tasks);
}

}  // namespace

void SetThreadAffinity(unsigned processor) {
  if (processor >= CPU_SETSIZE) return;
  cpu_set_t processors;
  CPU_ZERO(&processors);
  CPU_SET(processor, &processors);
  pthread_setaffinity_np(pthread_self(), sizeof processors, &processors);
}

void SetThreadPriority(TThreadPriority priority) {
  TScheduling& scheduling = Scheduling();
  std::lock_guard<std::mutex> guard(scheduling.Lock);
  const pid_t self = gettid();
  if (ApplyNice(self, ThreadNice(scheduling.Class, priority))) scheduling.Steps[self] = priority;
}

void SetProcessPriorityClass(TPriorityClass priorityClass) {
  TScheduling& scheduling = Scheduling();
  std::lock_guard<std::mutex> guard(scheduling.Lock);
  const pid_t self = gettid();
  bool accepted = false;
  std::map<pid_t, TThreadPriority> living;
  ForEachThread([&](pid_t thread) {
    const TThreadPriority step = scheduling.StepOf(thread);
    const bool applied = ApplyNice(thread, ThreadNice(priorityClass, step));
    if (thread == self) accepted = applied;
    if (step != TThreadPriority::Normal) living[thread] = step;
  });
  scheduling.Steps = std::move(living);
  if (accepted) scheduling.Class = priorityClass;
}

TThreadPriority CurrentThreadPriority() {
  TScheduling& scheduling = Scheduling();
  std::lock_guard<std::mutex> guard(scheduling.Lock);
  return scheduling.StepOf(gettid());
}

TPriorityClass CurrentProcessPriorityClass() {
  TScheduling& scheduling = Scheduling();
  std::lock_guard<std::mutex> guard(scheduling.Lock);
  return scheduling.Class;
}

void YieldThread() { sched_yield(); }

void SleepMs(uint32_t ms) { SleepUntil(QueryCounter() + int64_t(ms) * 1'000'000); }

}  // namespace platform
