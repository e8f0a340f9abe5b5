#pragma once
// One kind of SID output hardware. A driver object serves every chip of its kind; operations
// take the chip's number within the driver. The base class paces a cycle-timed write stream
// against the high-resolution counter for chips that play each write the moment it arrives.
#include <array>
#include <atomic>
#include <cstdint>
#include <string>

#include "platform/Event.h"
#include "sid/SidModel.h"

enum class TClockMode : uint8_t { Ntsc = 0, Pal = 1, OneMhz = 2 };

// Seconds per C64 cycle for a clock mode.
double CycleSeconds(TClockMode mode);

// Reads the counter; tests substitute a clock they control.
using TCounterRead = int64_t (*)();

class TSidDevice {
 public:
  // Windows-style process priority classes as the pacing records them.
  static constexpr int32_t NormalClass = 32;
  static constexpr int32_t HighClass = 128;
  static constexpr int32_t RealtimeClass = 256;

  explicit TSidDevice(TCounterRead counter = nullptr);
  virtual ~TSidDevice() = default;
  TSidDevice(const TSidDevice&) = delete;
  TSidDevice& operator=(const TSidDevice&) = delete;

  virtual void WaitWriteSpacing();
  virtual bool Write(int32_t chip, uint8_t reg, uint32_t cycles, uint8_t value);
  virtual bool Read(int32_t chip, uint8_t reg, uint32_t cycles, uint8_t& value);
  virtual void PrepareRead(int32_t chip, uint8_t reg) = 0;
  virtual void SetPal(int32_t chip, bool pal) = 0;
  virtual int32_t Count() const = 0;
  virtual std::string GetName(int32_t chip) const = 0;
  virtual int64_t GetLatency(int32_t chip) const = 0;
  virtual std::string DetectModel(int32_t chip);
  virtual void Silence(int32_t chip) = 0;
  virtual void ResetAll(uint8_t flag, int32_t keepChip) = 0;
  virtual bool ResetDevice(int32_t chip, uint8_t flag);
  virtual int64_t MeasureLatency(int32_t chip);
  virtual void ClearBuffer(int32_t chip);
  virtual void Commit(int32_t chip);
  // Holds the caller back until cycles of C64 time have passed in real time; a positive
  // result means the chip's own buffer took the delay.
  virtual int32_t Delay(int32_t chip, int32_t cycles);
  // The write stream's count of cycles queued ahead of what has been heard.
  virtual void SetPendingCycles(int32_t chip, uint32_t cycles) = 0;
  virtual uint32_t MinimumCycles(int32_t chip) const;
  virtual double SecondsPerCycle(int32_t chip) const;
  virtual int32_t PreferredDevice() const;
  // True when the chip keeps time itself, so the emulator may hand it long idle stretches.
  virtual bool HandlesIdleDelay(int32_t chip) const = 0;
  // True when a read returns what the chip answers (oscillator 3, envelope 3, the data bus).
  virtual bool ReadsBack(int32_t chip) const;
  // Makes the chip ready to be heard before a playback; false, with the reason, when it cannot
  // be (a sound card that cannot be reached). Cards are ready once listed.
  virtual bool StartOutput(int32_t chip, std::string& error);
  // Fast forward runs the machine many times faster than real time; a chip that keeps time by
  // its own clock plays on in real time meanwhile, as a card does.
  virtual void SetFastForward(int32_t chip, bool fastForward);
  // The model a chip in software plays; false for a chip on a card.
  virtual bool EmulatedModel(int32_t chip, TSidModel& model) const;

  void SetClock(int32_t chip, TClockMode mode);
  void LockClock(int32_t chip, TClockMode mode);
  void UnlockClock(int32_t chip);
  TClockMode ClockMode() const { return Clock.load(std::memory_order_relaxed); }
  // Applies a process priority class: 0 = back to normal, but only for chips with a buffer.
  void SetPriority(int32_t chip, int32_t priorityClass);

 protected:
  int64_t Now() const { return Counter(); }
  // Busy-waits until the counter reaches time and returns the counter value seen.
  int64_t SpinUntil(int64_t time) const;
  // The spacing of consecutive accesses to one chip, one C64 cycle apart at least.
  bool SpaceAccess(int32_t chip);
  // Busy-waits 20 ms of C64 time after the last write.
  void SettleAfterLastWrite();

  TCounterRead Counter;
  std::atomic<bool> ClockLocked{false};
  uint32_t AccumulatedCycles = 0;
  int64_t Target = 0;
  std::atomic<double> ClockSeconds;
  int32_t PacingEnabled = 1;
  int64_t LastWake = 0;
  int64_t EntryTime = 0;
  bool YieldAllowed = true;
  platform::TEvent WakeEvent;
  int64_t LastWrite = 0;
  int64_t CycleBase = 0;
  int64_t Frequency;
  int32_t LastChip = -1;
  int32_t PreviousChip = -1;
  std::atomic<int64_t> TicksPerCycle;
  std::atomic<TClockMode> Clock{TClockMode::Ntsc};
  bool HighPriority = true;
  int32_t PriorityClass = HighClass;
  std::array<uint8_t, 256> RegisterShadow{};
  int64_t CounterOverhead;

 private:
  void ApplyClockRate(TClockMode mode);
  void MeasureCounterOverhead();
  void GiveProcessorAway();
};
