#pragma once
// What a SID chip answers to the tune's reads, for a stream whose device cannot say: a software
// chip follows the stream beside the device. The data bus needs no chip: a write-only register
// reads as the last byte written to any register until it fades to 0 after the model's fade
// time. Oscillator 3 and envelope 3 need the whole chip, but most tunes never read them, so the
// chip sleeps and the writes are only logged; the first such read wakes it, and it catches up
// on the log. A log that grew too long is dropped: the chip then wakes from the registers alone.
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "sid/SidChip.h"

class TSidReadback {
 public:
  static constexpr size_t LogSize = 4096;
  // A log spanning more time (about 17 s) holds nothing a tune could still hear.
  static constexpr uint64_t LogCycleLimit = uint64_t(1) << 24;

  explicit TSidReadback(TSidModel model = TSidModel::Mos6581);

  TSidModel Model() const { return Chip->Config().Model; }
  // Another model takes over the registers written so far.
  void SetModel(TSidModel model);
  // A new song: the chip's power-on state.
  void Reset();
  // cycles of the stream pass, then the tune writes reg.
  void Write(uint32_t cycles, uint8_t reg, uint8_t value);
  // cycles of the stream pass, then the tune reads reg: the chip's answer.
  uint8_t Read(uint32_t cycles, uint8_t reg);
  // cycles of the stream pass without a write.
  void Pass(uint32_t cycles);
  bool Awake() const { return IsAwake; }

 private:
  struct TLogEntry {
    uint64_t Cycles;
    uint8_t Reg;
    uint8_t Value;
  };

  void Build(TSidModel model);
  void Wake();
  void Run(uint64_t cycles);
  void Log(uint8_t reg, uint8_t value);
  void DropLog();

  std::unique_ptr<TSidChip> Chip;
  uint32_t BusFadeCycles = 0;
  bool IsAwake = false;
  std::array<TLogEntry, LogSize> Entries{};
  size_t Logged = 0;
  bool LogDropped = false;
  // Cycles since the last logged write while asleep, and the log's whole span.
  uint64_t Waiting = 0;
  uint64_t LogSpan = 0;
  std::array<uint8_t, TSidChip::Registers> Registers{};
  uint8_t Bus = 0;
  uint64_t BusAge = 0;
  std::vector<float> Samples;
};
