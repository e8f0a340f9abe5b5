#pragma once
// Catweasel MK4: a card with two SID sockets behind one device file, driven at port level.
// Normally register writes and wait commands stream into the card's command FIFO, which plays
// them with cycle timing; the driver keeps the FIFO filled but not over-full. Direct mode,
// writing registers at once, is used only while the card's clock is programmed.
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "output/SidDevice.h"
#include "platform/DeviceIo.h"

class TCatweaselMK4 final : public TSidDevice {
 public:
  static constexpr int32_t MaxCards = 2;
  static constexpr int32_t MaxChips = MaxCards * 2;
  // In: (port, value) pairs, written in order.
  static constexpr uint32_t WritePortsCode = 0x420A4;
  // In: one port byte; out: its value.
  static constexpr uint32_t ReadPortCode = 0x420A0;
  // Out: 16,384 bytes; success means the card is usable.
  static constexpr uint32_t OpenCode = 0x42064;
  static constexpr uint32_t CloseCode = 0x42068;
  static constexpr size_t TransferSize = 16384;

  // Reads the stereo setting into the process-wide flag, then sets up every card that answers.
  explicit TCatweaselMK4(platform::TDeviceIo& io = platform::SystemDeviceIo(),
                         TCounterRead counter = nullptr);
  ~TCatweaselMK4() override;

  bool Write(int32_t chip, uint8_t reg, uint32_t cycles, uint8_t value) override;
  bool Read(int32_t chip, uint8_t reg, uint32_t cycles, uint8_t& value) override;
  void PrepareRead(int32_t, uint8_t) override {}
  void SetPal(int32_t chip, bool pal) override;
  int32_t Count() const override { return Chips; }
  std::string GetName(int32_t chip) const override;
  int64_t GetLatency(int32_t chip) const override;
  void Silence(int32_t chip) override;
  void ResetAll(uint8_t flag, int32_t keepChip) override;
  bool ResetDevice(int32_t chip, uint8_t flag) override;
  void ClearBuffer(int32_t chip) override;
  // In FIFO mode: queues wait commands for the cycles and answers how many.
  int32_t Delay(int32_t chip, int32_t cycles) override;
  // Called from the bars thread; only replaces the count.
  void SetPendingCycles(int32_t chip, uint32_t cycles) override;
  double SecondsPerCycle(int32_t chip) const override;
  bool HandlesIdleDelay(int32_t) const override { return FifoMode; }
  bool ReadsBack(int32_t) const override { return true; }

 private:
  static constexpr size_t BatchCapacity = 32;

  bool ValidChip(int32_t chip) const { return chip >= 0 && chip < Chips; }
  static int32_t CardOf(int32_t chip) { return chip / 2; }
  bool OpenCard(platform::TDeviceIo& io, int32_t number);
  void SetUpCard(int32_t card);
  void CloseCard(int32_t card);

  void Queue(int32_t card, uint8_t port, uint8_t value);
  void Send();
  void SendPort(int32_t card, uint8_t port, uint8_t value);
  bool ReadPort(int32_t card, uint8_t port, uint8_t& value);
  uint8_t PortValue(int32_t card, uint8_t port);

  void RefreshFill(int32_t card);
  // Waits while the FIFO holds more than limit bytes, as long as enough sound is buffered.
  void WaitForFill(int32_t card, uint32_t limit);
  void MakeRoom(int32_t card);
  void SleepAgainstPending(uint32_t ms, uint32_t cycles);
  uint32_t Pending() const { return PendingCycles.load(std::memory_order_relaxed); }

  bool WriteRegister(int32_t chip, uint8_t reg, uint32_t cycles, uint8_t value, bool stereo);
  bool WriteFifo(int32_t chip, uint8_t reg, uint32_t cycles, uint8_t value, bool stereo);
  bool WriteDirect(int32_t chip, uint8_t reg, uint8_t value, bool stereo);
  bool ReadFifo(int32_t chip, uint8_t reg, uint8_t& value);
  bool ReadDirect(int32_t chip, uint8_t reg, uint8_t& value);
  bool AwaitFifoRead(int32_t card);
  void QueueWait(int32_t card, uint8_t command, int32_t& commands);

  std::array<std::unique_ptr<platform::TDeviceHandle>, MaxCards> Cards;
  int32_t Chips = 0;
  std::array<std::string, MaxChips> Names;
  std::array<int64_t, MaxChips> Latencies{};
  std::vector<uint8_t> TransferBuffer;
  std::array<uint8_t, BatchCapacity> Batch{};
  size_t BatchLength = 0;
  int32_t BatchCard = 0;
  std::atomic<uint32_t> PendingCycles{0};
  uint32_t Fill = 0;
  bool FillValid = false;
  uint16_t TimerCorrection = 0;
  bool Pal = true;
  std::atomic<bool> FifoMode{false};
  std::atomic<double> CardSeconds;
};
