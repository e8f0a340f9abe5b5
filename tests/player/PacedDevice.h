#pragma once
// A SID chip that plays nothing but keeps real time: the base device's pacing holds the player
// thread to the real counter exactly as a card without a buffer does. Everything the player and
// the window do to it is counted in atomics, so tests and benchmarks read it while it plays.
#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "output/SidDevice.h"

class TPacedDevice : public TSidDevice {
 public:
  // Unpaced, the chip takes every write at once and the emulator runs ahead of real time.
  explicit TPacedDevice(bool paced = true) : Paced(paced) {}

  bool Write(int32_t chip, uint8_t reg, uint32_t cycles, uint8_t value) override {
    Registers[reg & 31].store(value);
    Writes.fetch_add(1);
    if (value != 0) NonZeroWrites[reg & 31].fetch_add(1);
    WriteThread.store(std::this_thread::get_id());
    return !Paced || TSidDevice::Write(chip, reg, cycles, value);
  }
  int32_t Delay(int32_t chip, int32_t cycles) override {
    if (!Paced) return 0;
    const bool started = CycleBase != 0;
    const int64_t planned =
        CycleBase + int64_t(double(Frequency) * SecondsPerCycle(chip) * double(cycles > 0 ? cycles : 4));
    const int32_t result = TSidDevice::Delay(chip, cycles);
    if (started && Target != planned) Restarts.fetch_add(1);
    return result;
  }
  void ClearBuffer(int32_t chip) override {
    Note(ClearBuffers);
    TSidDevice::ClearBuffer(chip);
  }
  void Commit(int32_t chip) override {
    Note(Commits);
    TSidDevice::Commit(chip);
  }
  void Silence(int32_t) override { Note(Silences); }
  void ResetAll(uint8_t flag, int32_t keepChip) override {
    ResetFlag.store(flag);
    ResetKeep.store(keepChip);
    Note(Resets);
  }
  void PrepareRead(int32_t, uint8_t) override {}
  void SetPal(int32_t, bool) override {}
  int32_t Count() const override { return 1; }
  std::string GetName(int32_t chip) const override { return Name + " " + std::to_string(chip); }
  int64_t GetLatency(int32_t) const override { return 0; }
  void SetPendingCycles(int32_t, uint32_t) override {}
  bool HandlesIdleDelay(int32_t) const override { return false; }

  uint32_t NonZero(uint8_t first, uint8_t last) const {
    uint32_t sum = 0;
    for (uint8_t reg = first; reg <= last; ++reg) sum += NonZeroWrites[reg].load();
    return sum;
  }

  const bool Paced;
  // The name of the chip in the device list (tests give it the name of a card family).
  std::string Name = "Paced";
  std::array<std::atomic<uint8_t>, 32> Registers{};
  std::array<std::atomic<uint32_t>, 32> NonZeroWrites{};
  std::atomic<uint64_t> Writes{0};
  std::atomic<uint32_t> ClearBuffers{0};
  std::atomic<uint32_t> Commits{0};
  std::atomic<uint32_t> Silences{0};
  std::atomic<uint32_t> Resets{0};
  // Times the pacing found itself more than 1 ms behind and restarted its clock.
  std::atomic<uint32_t> Restarts{0};
  std::atomic<int32_t> ResetFlag{-1};
  std::atomic<int32_t> ResetKeep{-2};
  // The threads of the last write and of the last buffer, commit, silence or reset call.
  std::atomic<std::thread::id> WriteThread{};
  std::atomic<std::thread::id> ControlThread{};

 private:
  void Note(std::atomic<uint32_t>& counter) {
    ControlThread.store(std::this_thread::get_id());
    counter.fetch_add(1);
  }
};
