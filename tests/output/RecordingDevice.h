#pragma once
// A driver that logs every call with its chip, register, cycles and value. Unpaced, it plays
// nothing and returns at once; paced, writes, reads and delays also run the base class's
// spacing and pacing, so tests can watch the common device behaviour.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "output/DeviceHost.h"
#include "output/SidDevice.h"

struct TDeviceCall {
  std::string Op;
  int32_t Chip = 0;
  int32_t Reg = -1;
  int64_t Cycles = 0;
  int32_t Value = -1;
  bool operator==(const TDeviceCall&) const = default;
};

// A counter the test moves: every read advances it by Step ticks.
struct TFakeClock {
  static inline int64_t Time = 1'000'000'000;
  static inline int64_t Step = 0;
  static int64_t Read() { return Time += Step; }
};

class TRecordingDevice : public TSidDevice {
 public:
  explicit TRecordingDevice(int32_t chips = 1, std::string name = "Recorder", bool paced = false)
      : TSidDevice(TFakeClock::Read), Chips(chips), Name(std::move(name)), Paced(paced) {
    ++Alive;
  }
  ~TRecordingDevice() override {
    --Alive;
    if (OnDestroy) OnDestroy(*this);
  }

  bool Write(int32_t chip, uint8_t reg, uint32_t cycles, uint8_t value) override {
    Log.push_back({"Write", chip, reg, cycles, value});
    return !Paced || TSidDevice::Write(chip, reg, cycles, value);
  }
  bool Read(int32_t chip, uint8_t reg, uint32_t cycles, uint8_t& value) override {
    Log.push_back({"Read", chip, reg, cycles});
    value = ReadValue ? ReadValue(ReadCount++) : 0;
    return !Paced || TSidDevice::Read(chip, reg, cycles, value);
  }
  int32_t Delay(int32_t chip, int32_t cycles) override {
    Log.push_back({"Delay", chip, -1, cycles});
    return Paced ? TSidDevice::Delay(chip, cycles) : DelayResult;
  }
  void ClearBuffer(int32_t chip) override {
    Log.push_back({"ClearBuffer", chip});
    if (Paced) TSidDevice::ClearBuffer(chip);
  }
  void Commit(int32_t chip) override {
    Log.push_back({"Commit", chip});
    if (Paced) TSidDevice::Commit(chip);
  }
  void PrepareRead(int32_t chip, uint8_t reg) override {
    Log.push_back({"PrepareRead", chip, reg});
  }
  void SetPal(int32_t chip, bool pal) override { Log.push_back({"SetPal", chip, -1, 0, pal}); }
  int32_t Count() const override { return Chips; }
  std::string GetName(int32_t chip) const override { return Name + " " + std::to_string(chip); }
  int64_t GetLatency(int32_t) const override { return 0; }
  void Silence(int32_t chip) override { Log.push_back({"Silence", chip}); }
  void ResetAll(uint8_t flag, int32_t keepChip) override {
    Log.push_back({"ResetAll", keepChip, -1, 0, flag});
  }
  void SetPendingCycles(int32_t, uint32_t cycles) override { PendingCycles = cycles; }
  uint32_t MinimumCycles(int32_t) const override { return Minimum; }
  int32_t PreferredDevice() const override { return Preferred; }
  bool HandlesIdleDelay(int32_t) const override { return Buffered; }
  bool ReadsBack(int32_t) const override { return AnswersReads; }

  std::vector<TDeviceCall> Calls(const std::string& op) const {
    std::vector<TDeviceCall> calls;
    for (const TDeviceCall& call : Log)
      if (call.Op == op) calls.push_back(call);
    return calls;
  }
  int64_t CycleBaseNow() const { return CycleBase; }
  int64_t TicksPerCycleNow() const { return TicksPerCycle; }

  static inline int Alive = 0;
  int32_t Chips;
  std::string Name;
  bool Paced;
  std::vector<TDeviceCall> Log;
  std::function<uint8_t(int)> ReadValue;
  std::function<void(const TRecordingDevice&)> OnDestroy;
  int ReadCount = 0;
  int32_t DelayResult = 0;
  uint32_t PendingCycles = 0;
  uint32_t Minimum = 1;
  int32_t Preferred = 0;
  bool Buffered = false;
  // False: like a chip that cannot be read, the stream answers the tune's reads itself.
  bool AnswersReads = true;
};

// Stands in for the program around the devices for one test and records what they asked of it.
class TRecordingHost {
 public:
  TRecordingHost() : Saved(DeviceHost()) {
    Events.clear();
    Active = false;
    DeviceHost() = {[] { Events.push_back("messages"); }, [] { return Active; },
                    [](platform::TPriorityClass priorityClass) {
                      Events.push_back("priority " + std::to_string(int(priorityClass)));
                    },
                    [] { Events.push_back("yield"); },
                    [](uint32_t ms) { Events.push_back("sleep " + std::to_string(ms)); }};
  }
  ~TRecordingHost() { DeviceHost() = Saved; }
  TRecordingHost(const TRecordingHost&) = delete;
  TRecordingHost& operator=(const TRecordingHost&) = delete;

  static inline std::vector<std::string> Events;
  static inline bool Active = false;

 private:
  TDeviceHost Saved;
};
