#pragma once
// A SID card that plays nothing: it keeps the registers it was sent and the running cycle count
// of the stream, and hands every write to a listener. It never waits, so the machine runs as
// fast as the host allows while the stream stays exactly what a real card would receive. It
// takes every SID of a tune itself, so a write carries its chip: register n × 32 + r of SID n.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "output/SidDevice.h"

// One write as the card receives it, on two time lines: the card's, where the writes before the
// tune's first sound come without their gaps, and the C64's, which keeps every cycle.
struct TCardWrite {
  uint64_t StreamCycle;  // the stream's cycles from its start up to this write
  uint64_t C64Cycle;     // the C64 cycle the tune made it at, counted from the song's start
  uint8_t Reg;  // register r of the tune's SID n as n × 32 + r
  uint8_t Value;
};

class TSidWriteListener {
 public:
  virtual ~TSidWriteListener() = default;
  virtual void SidWrite(const TCardWrite& write) = 0;
};

class TRecordingSidDevice : public TSidDevice {
 public:
  static constexpr int32_t SidRegisters = 25;
  static constexpr int32_t MaxSids = 3;

  bool Write(int32_t chip, uint8_t reg, uint32_t cycles, uint8_t value) override;
  bool Read(int32_t chip, uint8_t reg, uint32_t cycles, uint8_t& value) override;
  int32_t Delay(int32_t chip, int32_t cycles) override;
  void ClearBuffer(int32_t chip) override;
  void Commit(int32_t chip) override;
  bool ResetDevice(int32_t chip, uint8_t flag) override;
  void PrepareRead(int32_t, uint8_t) override {}
  void SetPal(int32_t, bool) override {}
  int32_t Count() const override { return 1; }
  std::string GetName(int32_t chip) const override;
  int64_t GetLatency(int32_t) const override { return 0; }
  std::string DetectModel(int32_t) override { return {}; }
  void Silence(int32_t) override {}
  void ResetAll(uint8_t, int32_t) override {}
  int64_t MeasureLatency(int32_t) override { return 0; }
  void SetPendingCycles(int32_t, uint32_t) override {}
  bool HandlesIdleDelay(int32_t) const override { return false; }
  int32_t ChipFor(int32_t chip, int32_t) const override { return chip; }
  void UseChips(int32_t, const TTuneSids& sids) override { SidCount = sids.Count; }

  void SetListener(TSidWriteListener* listener) { Listener = listener; }
  // Where the C64 cycle of each write comes from (none: 0).
  void SetC64Clock(std::function<uint64_t()> clock) { C64Clock = std::move(clock); }
  // A register as n × 32 + r.
  uint8_t Register(uint8_t reg) const { return Registers[reg % Registers.size()]; }
  // The SIDs of the tune that plays.
  int32_t Sids() const { return SidCount; }
  uint64_t Cycle() const { return StreamCycle; }

 private:
  std::array<uint8_t, 32 * MaxSids> Registers{};
  int32_t SidCount = 1;
  uint64_t StreamCycle = 0;
  TSidWriteListener* Listener = nullptr;
  std::function<uint64_t()> C64Clock;
};
