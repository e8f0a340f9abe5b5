#include "output/SidDevice.h"

#include <algorithm>

#include "output/DeviceHost.h"
#include "platform/Clock.h"

namespace {

constexpr double PalCycleSeconds = 1.0 / 985248.4444;
constexpr double NtscCycleSeconds = 1.0 / 1022727.2143;
constexpr double OneMhzCycleSeconds = 1.0 / 1000000.0;

// About 20 ms of PAL C64 time: how long the pacing may run without giving the processor away.
constexpr uint32_t YieldCycles = 19656;
// About 2 ms: a delay this long already gave other threads their chance.
constexpr int32_t LongDelayCycles = 1965;
// Below this much emulated time ahead the pacing spins instead of sleeping.
constexpr float SleepThreshold = 1.0f / 900.0f;

platform::TPriorityClass ToPlatformClass(int32_t windowsClass, bool& known) {
  known = true;
  switch (windowsClass) {
    case 64:
      return platform::TPriorityClass::Idle;
    case 16384:
      return platform::TPriorityClass::BelowNormal;
    case TSidDevice::NormalClass:
      return platform::TPriorityClass::Normal;
    case 32768:
      return platform::TPriorityClass::AboveNormal;
    case TSidDevice::HighClass:
      return platform::TPriorityClass::High;
    case TSidDevice::RealtimeClass:
      return platform::TPriorityClass::Realtime;
    default:
      known = false;
      return platform::TPriorityClass::Normal;
  }
}

}  // namespace

double CycleSeconds(TClockMode mode) {
  switch (mode) {
    case TClockMode::Ntsc:
      return NtscCycleSeconds;
    case TClockMode::OneMhz:
      return OneMhzCycleSeconds;
    case TClockMode::Pal:
      break;
  }
  return PalCycleSeconds;
}

TSidDevice::TSidDevice(TCounterRead counter)
    : Counter(counter ? counter : platform::QueryCounter),
      ClockSeconds(PalCycleSeconds),
      Frequency(platform::CounterFrequency()),
      TicksPerCycle(1) {
  ApplyClockRate(TClockMode::Pal);
  MeasureCounterOverhead();
}

// The cheapest of a few back-to-back reads: a single pair can be stretched by preemption, and
// an overestimate would release every write early.
void TSidDevice::MeasureCounterOverhead() {
  int64_t cheapest = Frequency;
  for (int i = 0; i < 16; ++i) {
    const int64_t first = Counter();
    cheapest = std::min(cheapest, Counter() - first);
  }
  CounterOverhead = cheapest;
}

void TSidDevice::ApplyClockRate(TClockMode mode) {
  const double seconds = CycleSeconds(mode);
  ClockSeconds.store(seconds, std::memory_order_relaxed);
  const int64_t ticks = int64_t(double(Frequency) * seconds + 1.0);
  TicksPerCycle.store(std::max<int64_t>(ticks, 1), std::memory_order_relaxed);
}

void TSidDevice::SetClock(int32_t, TClockMode mode) {
  if (ClockLocked.load(std::memory_order_relaxed)) return;
  ApplyClockRate(mode);
  Clock.store(mode, std::memory_order_relaxed);
}

void TSidDevice::LockClock(int32_t, TClockMode mode) {
  ClockLocked.store(true, std::memory_order_relaxed);
  ApplyClockRate(mode);
}

void TSidDevice::UnlockClock(int32_t) {
  ClockLocked.store(false, std::memory_order_relaxed);
  ApplyClockRate(ClockMode());
}

void TSidDevice::SetPriority(int32_t chip, int32_t priorityClass) {
  PriorityClass = priorityClass;
  HighPriority = priorityClass >= HighClass;
  if (priorityClass == 0) {
    // Chips without a buffer need the high class to keep time; only buffered ones may drop.
    if (HandlesIdleDelay(chip)) DeviceHost().SetProcessPriority(platform::TPriorityClass::Normal);
    return;
  }
  bool known = false;
  const platform::TPriorityClass mapped = ToPlatformClass(priorityClass, known);
  if (known) DeviceHost().SetProcessPriority(mapped);
}

int64_t TSidDevice::SpinUntil(int64_t time) const {
  int64_t now = Counter();
  while (now < time) now = Counter();
  return now;
}

void TSidDevice::WaitWriteSpacing() {
  LastWrite =
      SpinUntil(LastWrite + TicksPerCycle.load(std::memory_order_relaxed) - CounterOverhead);
}

bool TSidDevice::SpaceAccess(int32_t chip) {
  int64_t due;
  if (LastWrite == 0) {
    due = LastWrite = Counter();
  } else {
    due = LastWrite + TicksPerCycle.load(std::memory_order_relaxed);
  }
  int64_t unset = 0;
  SharedNow.compare_exchange_strong(unset, due, std::memory_order_relaxed);
  // A chip that was not among the last two written needs no gap after them.
  if (chip != LastChip && chip != PreviousChip) {
    LastChip = chip;
    return true;
  }
  LastWrite = SpinUntil(due - CounterOverhead);
  PreviousChip = chip;
  return true;
}

bool TSidDevice::Write(int32_t chip, uint8_t reg, uint32_t, uint8_t value) {
  RegisterShadow[reg] = value;
  return SpaceAccess(chip);
}

bool TSidDevice::Read(int32_t chip, uint8_t, uint32_t, uint8_t&) { return SpaceAccess(chip); }

uint32_t TSidDevice::MinimumCycles(int32_t) const { return 1; }

double TSidDevice::SecondsPerCycle(int32_t) const {
  return ClockSeconds.load(std::memory_order_relaxed);
}

int32_t TSidDevice::PreferredDevice() const { return 0; }

bool TSidDevice::ReadsBack(int32_t) const { return false; }

bool TSidDevice::StartOutput(int32_t, std::string&) { return true; }

void TSidDevice::SetFastForward(int32_t, bool) {}

bool TSidDevice::EmulatedModel(int32_t, TSidModel&) const { return false; }

int32_t TSidDevice::Delay(int32_t chip, int32_t cycles) {
  AccumulatedCycles = uint32_t(std::max<int64_t>(int64_t(AccumulatedCycles) + cycles, 0));
  int64_t k = cycles > 0 ? cycles : 4;
  const double seconds = ClockSeconds.load(std::memory_order_relaxed);
  if (CycleBase == 0) {
    // The first delay after a reset only starts the cycle clock.
    CycleBase = Counter();
    k = 0;
  }
  Target = CycleBase + int64_t(double(Frequency) * seconds * double(k));
  if (k >= 1 && PacingEnabled == 1) {
    const int64_t now = Counter();
    if (now > Target + Frequency / 1000) {
      // More than 1 ms behind: catching up would rush the music, so restart the clock here.
      CycleBase = LastWrite = Target = now;
      LastWake = 0;
      k = 0;
    } else {
      CycleBase = Target;
    }
    EntryTime = now;
    const float elapsed = LastWake != 0 ? float(EntryTime - LastWake) / float(Frequency) : 0.0f;
    float remaining = float(double(k) * seconds) - elapsed;
    if (k >= LongDelayCycles) {
      AccumulatedCycles = 0;
      YieldAllowed = false;
    }
    if (remaining > SleepThreshold) {
      LastWake = Counter();
      remaining -= float(LastWake - EntryTime) / float(Frequency);
      const int32_t sleepMs = int32_t(remaining * 1000.0f) - 1;
      if (sleepMs > 0) WakeEvent.Wait(uint32_t(sleepMs));
      if (PriorityClass == NormalClass) {
        DeviceHost().SetProcessPriority(platform::TPriorityClass::High);
        PriorityClass = HighClass;
        HighPriority = true;
      }
    } else if (AccumulatedCycles > YieldCycles) {
      AccumulatedCycles = 0;
      if (YieldAllowed) GiveProcessorAway();
      YieldAllowed = true;
    }
    const int64_t released = SpinUntil(Target - CounterOverhead - GetLatency(chip));
    SharedNow.store(released, std::memory_order_relaxed);
    LastWake = released;
  } else {
    SharedNow.store(CycleBase, std::memory_order_relaxed);
  }
  LastWrite = CycleBase;
  return 0;
}

// Pacing that never sleeps would starve every other thread on the processor it is pinned to.
void TSidDevice::GiveProcessorAway() {
  TDeviceHost& host = DeviceHost();
  if (HighPriority && host.ApplicationActive()) {
    host.YieldThread();
    return;
  }
  if (PriorityClass >= HighClass) {
    host.SetProcessPriority(platform::TPriorityClass::Normal);
    PriorityClass = NormalClass;
    HighPriority = false;
  }
  host.YieldThread();
  host.SleepMs(1);
}

void TSidDevice::ClearBuffer(int32_t) {
  WakeEvent.Signal();
  const int64_t now = Counter();
  LastWrite = CycleBase = LastWake = now;
  AccumulatedCycles = 0;
  SharedNow.store(now, std::memory_order_relaxed);
  YieldAllowed = true;
  DeviceHost().ProcessMessages();
}

void TSidDevice::Commit(int32_t chip) { TSidDevice::ClearBuffer(chip); }

void TSidDevice::SettleAfterLastWrite() {
  LastWrite = SpinUntil(LastWrite + Frequency * 19656 / 982800);
}

bool TSidDevice::ResetDevice(int32_t chip, uint8_t flag) {
  WakeEvent.Signal();
  HighPriority = true;
  LastWrite = CycleBase = LastWake = 0;
  AccumulatedCycles = 0;
  SharedNow.store(0, std::memory_order_relaxed);
  YieldAllowed = true;
  for (uint8_t control : {4, 11, 18}) Write(chip, control, 8, 0);
  if (flag == 1) Write(chip, 24, 8, 0);
  SettleAfterLastWrite();
  // Setting every register once and clearing it again leaves no latch holding a stale value;
  // the volume and frequencies are only cleared, sustain/release end at a short release.
  for (uint8_t reg = 0; reg <= 26; ++reg) {
    const bool keepsEight = reg == 6 || reg == 13 || reg == 20;
    const bool clearedOnly = reg == 0 || reg == 1 || reg == 7 || reg == 8 || reg == 14 || reg == 15;
    if (reg == 24) continue;
    if (!clearedOnly) {
      Write(chip, reg, 8, 8);
      Delay(chip, 8);
    }
    if (!keepsEight) {
      Write(chip, reg, 8, 0);
      Delay(chip, 8);
    }
  }
  Write(chip, 4, 1000, 0);
  Write(chip, 11, 8, 0);
  Write(chip, 18, 8, 0);
  SettleAfterLastWrite();
  return true;
}

std::string TSidDevice::DetectModel(int32_t chip) {
  // Voice 3 runs a sawtooth at a high pitch; the 6581 never lets its oscillator output reach
  // the upper half of the range on this waveform, the 8580 does.
  Write(chip, 14, 0, 0x20);
  Delay(chip, 100);
  Write(chip, 15, 100, 0x20);
  Delay(chip, 100);
  Write(chip, 18, 100, 0x31);
  Delay(chip, 100);
  Commit(chip);
  uint8_t value = 0;
  for (int i = 0; i < 101; ++i) {
    Delay(chip, 100);
    Read(chip, 27, 100, value);
  }
  uint8_t highest = 0;
  for (int i = 0; i < 256; ++i) {
    Delay(chip, 100);
    value = 0;
    Read(chip, 27, 100, value);
    highest = std::max(highest, value);
  }
  Write(chip, 18, 0, 0x30);
  Silence(chip);
  return highest < 128 ? "6581" : "8580";
}

// The cheapest of a few rounds, for the same reason as the counter overhead.
int64_t TSidDevice::MeasureLatency(int32_t chip) {
  int64_t cheapest = 0;
  for (int round = 0; round < 5; ++round) {
    Write(chip, 4, 0, 0);
    const int64_t start = Counter();
    for (uint8_t control : {4, 11, 18}) Write(chip, control, 0, 0);
    const int64_t perWrite = (Counter() - start) / 3;
    cheapest = round == 0 ? perWrite : std::min(cheapest, perWrite);
  }
  return cheapest;
}
