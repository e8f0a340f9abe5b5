#pragma once
// Catweasel MK3: one SID chip per device file, every register access a request of its own.
// The chip plays each write the moment it arrives, so timing is the base class's pacing.
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "output/SidDevice.h"
#include "platform/DeviceIo.h"

class TCatweaselMK3 final : public TSidDevice {
 public:
  static constexpr int32_t MaxChips = 4;
  // Register access: in {register, value} writes; in {$20, register}, out one byte reads.
  static constexpr uint32_t AccessCode = 0x1D2004;
  // Chip clock: in one byte, 0 PAL, 1 NTSC.
  static constexpr uint32_t ClockCode = 0x1D2010;

  explicit TCatweaselMK3(platform::TDeviceIo& io = platform::SystemDeviceIo(),
                         TCounterRead counter = nullptr);

  bool Write(int32_t chip, uint8_t reg, uint32_t cycles, uint8_t value) override;
  bool Read(int32_t chip, uint8_t reg, uint32_t cycles, uint8_t& value) override;
  void PrepareRead(int32_t, uint8_t) override {}
  void SetPal(int32_t chip, bool pal) override;
  int32_t Count() const override { return Chips; }
  std::string GetName(int32_t chip) const override;
  int64_t GetLatency(int32_t chip) const override;
  void Silence(int32_t chip) override;
  void ResetAll(uint8_t flag, int32_t keepChip) override;
  void SetPendingCycles(int32_t, uint32_t) override {}
  double SecondsPerCycle(int32_t chip) const override;
  bool HandlesIdleDelay(int32_t) const override { return false; }
  bool ReadsBack(int32_t) const override { return true; }

 private:
  platform::TDeviceHandle* Handle(int32_t chip) const;
  bool SendClock(int32_t chip, bool pal);
  bool SendWrite(platform::TDeviceHandle& handle, uint8_t reg, uint8_t value);

  std::array<std::unique_ptr<platform::TDeviceHandle>, MaxChips> Handles;
  int32_t Chips = 0;
  std::array<std::string, MaxChips> Names;
  std::array<int64_t, MaxChips> Latencies{};
  std::atomic<double> ChipSeconds;
};
