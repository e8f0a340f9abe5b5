#include "output/CatweaselMK4.h"

#include <algorithm>

#include "output/DeviceHost.h"
#include "settings/Preferences.h"

namespace {

// Card ports.
constexpr uint8_t ModePort = 3;
constexpr uint8_t FifoPort = 0xC0;
constexpr uint8_t FillPort = 0xC4;
constexpr uint8_t FifoControlPort = 0xC8;
constexpr uint8_t FifoResetPort = 0xCC;
constexpr uint8_t CorrectionHighPort = 0xD0;
constexpr uint8_t CorrectionLowPort = 0xD4;
constexpr uint8_t DataPort = 0xD8;
constexpr uint8_t DirectCommandPort = 0xDC;

// Values of the mode and FIFO control ports.
constexpr uint8_t SidMode = 1;
constexpr uint8_t LeaveSidMode = 65;
constexpr uint8_t FifoStop = 0;
constexpr uint8_t FifoRun = 1;
constexpr uint8_t FifoClear = 3;

// FIFO command bytes.
constexpr uint8_t FifoWriteCommand = 0x80;
constexpr uint8_t FifoReadCommand = 0xC0;
constexpr uint8_t FifoReadFiller = 0x55;
constexpr uint8_t SocketBit = 32;
constexpr uint8_t ShortWait = 0x00;    // + n: n + 1 cycles
constexpr uint8_t LongWait = 0x40;     // + n: (n + 1) x 64 cycles
constexpr uint8_t LongestWait = 0x7F;  // 4,096 cycles
constexpr int32_t LongestWaitCycles = 4096;

// Direct-mode command bits.
constexpr uint8_t DirectRead = 32;
constexpr uint8_t DirectNtsc = 64;
constexpr uint8_t DirectSocket = 128;

// The card's clock configuration register; tune writes there go to the unused register 30.
constexpr uint8_t ClockRegister = 31;
constexpr uint8_t DummyRegister = 30;

// The FIFO is never fed beyond this fill level while the writer has sound to spare.
constexpr uint32_t FillLimit = 248;
// Pending cycles (about 2 ms and 20 ms of C64 time) that make a sleep of 1 or 2 ms safe, and
// the cycles such a sleep is taken to have played.
constexpr uint32_t ShortSleepPending = 1966;
constexpr uint32_t LongSleepPending = 19641;
constexpr uint32_t ShortSleepCycles = 982;
constexpr uint32_t LongSleepCycles = 1965;
// Above this many cycles a wait is worth correcting by the card's own timer drift.
constexpr int32_t CorrectedDelayCycles = 1890;
// Stereo duplicates every write, which costs the FIFO two cycles of each wait.
constexpr int32_t StereoWriteCycles = 2;

constexpr int32_t MaxCardNumber = 4;
constexpr int32_t CardFunctions = 11;

uint8_t Socket(int32_t chip) { return uint8_t(chip & 1); }

}  // namespace

TCatweaselMK4::TCatweaselMK4(platform::TDeviceIo& io, TCounterRead counter)
    : TSidDevice(counter),
      TransferBuffer(TransferSize),
      CardSeconds(CycleSeconds(TClockMode::Pal)) {
  Mk4StereoPlayback.store(TPreferences().ForceDualPlayback() == 1, std::memory_order_relaxed);
  for (int32_t number = 1; number <= MaxCardNumber && Chips < MaxChips; ++number) {
    if (OpenCard(io, number)) SetUpCard(CardOf(Chips));
  }
}

TCatweaselMK4::~TCatweaselMK4() {
  for (int32_t card = 0; card < MaxCards; ++card) CloseCard(card);
}

// A card answers under the name of one of its functions or under its plain number; the first
// name that opens and accepts the open request is the card.
bool TCatweaselMK4::OpenCard(platform::TDeviceIo& io, int32_t number) {
  const std::string base = "\\\\.\\CAT" + std::to_string(number);
  for (int32_t function = 0; function <= CardFunctions; ++function) {
    const std::string name =
        function < CardFunctions ? base + "_F" + std::to_string(function) : base;
    std::unique_ptr<platform::TDeviceHandle> handle = io.Open(name);
    if (!handle) continue;
    size_t returned = 0;
    if (!handle->Control(OpenCode, nullptr, 0, TransferBuffer.data(), TransferSize, returned))
      continue;
    Cards[CardOf(Chips)] = std::move(handle);
    return true;
  }
  return false;
}

void TCatweaselMK4::SetUpCard(int32_t card) {
  const int32_t first = card * 2;
  SendPort(card, ModePort, SidMode);
  SendPort(card, FifoControlPort, FifoStop);
  FifoMode = false;
  Pal = true;
  WriteDirect(first, ClockRegister, 0, Mk4StereoPlayback.load(std::memory_order_relaxed));
  FifoMode = true;
  SendPort(card, FifoControlPort, FifoRun);
  for (int32_t chip = first; chip < first + 2; ++chip) {
    ++Chips;
    ResetDevice(chip, 1);
    Names[chip] = "Catweasel4 " + std::to_string(chip) + " (" + DetectModel(chip) + ")";
    Latencies[chip] = MeasureLatency(chip);
  }
  if (FifoMode) {
    SendPort(card, ModePort, SidMode);
    SendPort(card, FifoControlPort, FifoStop);
    SendPort(card, FifoResetPort, 0);
    SendPort(card, FifoControlPort, FifoRun);
  }
}

// Every card is stopped and handed back, not only the first: the FIFO mode is one flag for all.
void TCatweaselMK4::CloseCard(int32_t card) {
  if (!Cards[card]) return;
  if (FifoMode) {
    SendPort(card, ModePort, SidMode);
    SendPort(card, FifoControlPort, FifoStop);
    SendPort(card, FifoResetPort, 0);
  }
  SendPort(card, ModePort, LeaveSidMode);
  size_t returned = 0;
  Cards[card]->Control(CloseCode, nullptr, 0, TransferBuffer.data(), TransferSize, returned);
  Cards[card].reset();
}

void TCatweaselMK4::Queue(int32_t card, uint8_t port, uint8_t value) {
  // One batch goes to one card; another card's pairs go out first.
  if (BatchLength > 0 && BatchCard != card) Send();
  BatchCard = card;
  Batch[BatchLength++] = port;
  Batch[BatchLength++] = value;
  if (BatchLength >= BatchCapacity) Send();
}

void TCatweaselMK4::Send() {
  if (BatchLength == 0) return;
  if (platform::TDeviceHandle* handle = Cards[BatchCard].get()) {
    size_t returned = 0;
    handle->Control(WritePortsCode, Batch.data(), BatchLength, nullptr, 0, returned);
  }
  BatchLength = 0;
}

void TCatweaselMK4::SendPort(int32_t card, uint8_t port, uint8_t value) {
  Queue(card, port, value);
  Send();
}

bool TCatweaselMK4::ReadPort(int32_t card, uint8_t port, uint8_t& value) {
  platform::TDeviceHandle* handle = Cards[card].get();
  if (!handle) return false;
  uint8_t answer = 0;
  size_t returned = 0;
  if (!handle->Control(ReadPortCode, &port, 1, &answer, 1, returned) || returned < 1) return false;
  value = answer;
  return true;
}

// A port that cannot be read reads 0: an empty FIFO, no correction, no pending result.
uint8_t TCatweaselMK4::PortValue(int32_t card, uint8_t port) {
  uint8_t value = 0;
  return ReadPort(card, port, value) ? value : 0;
}

void TCatweaselMK4::SetPendingCycles(int32_t, uint32_t cycles) {
  PendingCycles.store(cycles, std::memory_order_relaxed);
}

// The card plays on while the driver sleeps; the writer's count is lowered by what that sleep
// is taken to have played. A count replaced meanwhile by the bars thread is lowered as well,
// and never below zero.
void TCatweaselMK4::SleepAgainstPending(uint32_t ms, uint32_t cycles) {
  DeviceHost().SleepMs(ms);
  uint32_t current = Pending();
  while (!PendingCycles.compare_exchange_weak(current, current > cycles ? current - cycles : 0,
                                              std::memory_order_relaxed)) {
  }
}

void TCatweaselMK4::RefreshFill(int32_t card) {
  if (FillValid) return;
  Fill = PortValue(card, FillPort);
  FillValid = true;
}

void TCatweaselMK4::WaitForFill(int32_t card, uint32_t limit) {
  while (Fill > limit) {
    Send();
    if (Pending() < ShortSleepPending) return;
    SleepAgainstPending(1, ShortSleepCycles);
    Fill = PortValue(card, FillPort);
    DeviceHost().YieldThread();
    limit = FillLimit;
  }
}

void TCatweaselMK4::MakeRoom(int32_t card) {
  RefreshFill(card);
  if (Fill + BatchLength <= FillLimit && Pending() >= LongSleepPending)
    SleepAgainstPending(2, LongSleepCycles);
  WaitForFill(card, FillLimit);
}

bool TCatweaselMK4::Write(int32_t chip, uint8_t reg, uint32_t cycles, uint8_t value) {
  if (!ValidChip(chip)) return false;
  return WriteRegister(chip, reg, cycles, value, Stereo(chip));
}

bool TCatweaselMK4::Stereo(int32_t chip) const {
  return Mk4StereoPlayback.load(std::memory_order_relaxed) && !Split[size_t(CardOf(chip))];
}

// A tune for two SIDs plays one on each socket of a card.
int32_t TCatweaselMK4::ChipFor(int32_t chip, int32_t sid) const {
  if (!ValidChip(chip)) return -1;
  if (sid == 0) return chip;
  return sid == 1 && ValidChip(chip ^ 1) ? chip ^ 1 : -1;
}

// The two sockets stop sharing one stream while they play a tune's two SIDs.
void TCatweaselMK4::UseChips(int32_t chip, const TTuneSids& sids) {
  if (ValidChip(chip)) Split[size_t(CardOf(chip))] = sids.Count > 1;
}

bool TCatweaselMK4::WriteRegister(int32_t chip, uint8_t reg, uint32_t cycles, uint8_t value,
                                  bool stereo) {
  return FifoMode ? WriteFifo(chip, reg, cycles, value, stereo)
                  : WriteDirect(chip, reg, value, stereo);
}

bool TCatweaselMK4::WriteFifo(int32_t chip, uint8_t reg, uint32_t cycles, uint8_t value,
                              bool stereo) {
  const int32_t card = CardOf(chip);
  reg &= 31;
  if (reg == ClockRegister) reg = DummyRegister;
  const uint8_t command = uint8_t(FifoWriteCommand + Socket(chip) * SocketBit + reg);
  RefreshFill(card);
  FillValid = false;
  WaitForFill(card, FillLimit - uint32_t(BatchLength));
  Queue(card, FifoPort, command);
  Queue(card, FifoPort, value);
  if (stereo && Chips >= 2) {
    // The second socket's copy must not land in the same cycle as the first.
    if (cycles < 2) {
      MakeRoom(card);
      Queue(card, FifoPort, ShortWait + 1);
    }
    Queue(card, FifoPort, command ^ SocketBit);
    Queue(card, FifoPort, value);
  }
  Send();
  return true;
}

bool TCatweaselMK4::WriteDirect(int32_t chip, uint8_t reg, uint8_t value, bool stereo) {
  TSidDevice::Write(chip, reg, 0, value);
  const int32_t card = CardOf(chip);
  const uint8_t command =
      uint8_t((reg & 31) | (Socket(chip) ? DirectSocket : 0) | (Pal ? 0 : DirectNtsc));
  Queue(card, DataPort, value);
  Queue(card, DirectCommandPort, command);
  if (stereo && Chips >= 2) {
    Queue(card, DataPort, value);
    Queue(card, DirectCommandPort, command ^ DirectSocket);
  }
  // Port reads take the bus long enough for the card to finish its previous direct access.
  for (int i = 0; i < 4; ++i) PortValue(card, DataPort);
  Send();
  return true;
}

bool TCatweaselMK4::Read(int32_t chip, uint8_t reg, uint32_t cycles, uint8_t& value) {
  if (!ValidChip(chip)) return false;
  if (FifoMode) return ReadFifo(chip, reg, value);
  TSidDevice::Read(chip, reg, cycles, value);
  return ReadDirect(chip, reg, value);
}

bool TCatweaselMK4::ReadFifo(int32_t chip, uint8_t reg, uint8_t& value) {
  const int32_t card = CardOf(chip);
  SendPort(card, FifoPort, uint8_t(FifoReadCommand + Socket(chip) * SocketBit + (reg & 31)));
  SendPort(card, FifoPort, FifoReadFiller);
  if (!AwaitFifoRead(card)) return false;
  uint8_t discarded = 0;
  uint8_t answer = 0;
  if (!ReadPort(card, FifoPort, discarded) || !ReadPort(card, FifoPort, answer)) return false;
  value = answer;
  return true;
}

// The read command waits its turn behind everything queued before it. A card that stops
// answering, or never completes the read within a second, ends the wait unanswered.
bool TCatweaselMK4::AwaitFifoRead(int32_t card) {
  const int64_t giveUp = Now() + Frequency;
  for (;;) {
    uint8_t status = 0;
    if (!ReadPort(card, FifoResetPort, status)) return false;
    if (status & 0x80) return true;
    if (Pending() >= ShortSleepPending) {
      SleepAgainstPending(1, ShortSleepCycles);
    } else {
      DeviceHost().YieldThread();
    }
    if (!ReadPort(card, FifoControlPort, status)) return false;
    if (status != 0) return true;
    if (Now() >= giveUp) return false;
  }
}

bool TCatweaselMK4::ReadDirect(int32_t chip, uint8_t reg, uint8_t& value) {
  const int32_t card = CardOf(chip);
  const uint8_t command =
      uint8_t((reg & 31) | (Socket(chip) ? DirectSocket : 0) | (Pal ? 0 : DirectNtsc));
  SendPort(card, DirectCommandPort, command + DirectRead);
  // The answer settles on the data port by the third read.
  PortValue(card, DataPort);
  PortValue(card, DataPort);
  return ReadPort(card, DataPort, value);
}

void TCatweaselMK4::QueueWait(int32_t card, uint8_t command, int32_t& commands) {
  MakeRoom(card);
  Queue(card, FifoPort, command);
  ++commands;
}

int32_t TCatweaselMK4::Delay(int32_t chip, int32_t cycles) {
  if (!ValidChip(chip)) return 0;
  if (!FifoMode) return TSidDevice::Delay(chip, cycles);
  const int32_t card = CardOf(chip);
  int32_t k = cycles < 1 ? 4 : cycles;
  if (Stereo(chip)) k -= StereoWriteCycles;
  TimerCorrection =
      k > CorrectedDelayCycles
          ? uint16_t(PortValue(card, CorrectionHighPort) * 256 + PortValue(card, CorrectionLowPort))
          : 0;
  MakeRoom(card);
  SendPort(card, FifoPort, ShortWait);
  // The one-cycle wait above and the command that follows take two of the cycles.
  int32_t n = std::max(k - 2 - int32_t(TimerCorrection), 1);
  int32_t commands = 0;
  for (; n >= LongestWaitCycles; n -= LongestWaitCycles) QueueWait(card, LongestWait, commands);
  if (n > 63) QueueWait(card, uint8_t(LongWait + (n / 64 - 1)), commands);
  if (n % 64 != 0) QueueWait(card, uint8_t(ShortWait + (n % 64 - 1)), commands);
  if (TimerCorrection != 0) Queue(card, CorrectionHighPort, 0);
  // Waits normally ride along with the next register write; a delay that is nearly no wait
  // at all means the writer is not about to write, so they go out now.
  if (cycles <= 1) Send();
  return commands;
}

void TCatweaselMK4::ClearBuffer(int32_t chip) {
  if (!ValidChip(chip)) return;
  if (!FifoMode) {
    TSidDevice::ClearBuffer(chip);
    return;
  }
  const int32_t card = CardOf(chip);
  FillValid = false;
  if (PortValue(card, FillPort) != 0) SendPort(card, FifoControlPort, FifoClear);
  MakeRoom(card);
  SendPort(card, FifoPort, ShortWait + 63);
}

bool TCatweaselMK4::ResetDevice(int32_t chip, uint8_t flag) {
  if (!ValidChip(chip)) return false;
  BatchLength = 0;
  FillValid = false;
  if (FifoMode) {
    const int32_t card = CardOf(chip);
    SendPort(card, FifoControlPort, FifoStop);
    SendPort(card, FifoResetPort, 0);
    SendPort(card, FifoControlPort, FifoRun);
    PendingCycles.store(0, std::memory_order_relaxed);
  }
  TSidDevice::ResetDevice(chip, flag);
  Silence(chip);
  return true;
}

void TCatweaselMK4::ResetAll(uint8_t flag, int32_t) {
  for (int32_t chip = 0; chip < Chips; ++chip) ResetDevice(chip, flag);
}

void TCatweaselMK4::Silence(int32_t chip) {
  if (!ValidChip(chip)) return;
  // The volume goes to this socket alone, even in stereo.
  WriteRegister(chip, 24, 0, chip == 1 ? 15 : 0, false);
  for (uint8_t reg : {0, 1, 7, 8, 14, 15, 4, 11, 18, 5, 6, 12, 13, 19, 20}) Write(chip, reg, 0, 0);
}

// The clock is programmed in direct mode through the card's first socket, with the FIFO
// stopped and the card out of SID mode meanwhile.
void TCatweaselMK4::SetPal(int32_t chip, bool pal) {
  if (!ValidChip(chip)) return;
  const int32_t card = CardOf(chip);
  Pal = pal;
  CardSeconds.store(CycleSeconds(pal ? TClockMode::Pal : TClockMode::Ntsc),
                    std::memory_order_relaxed);
  if (FifoMode) {
    SendPort(card, FifoControlPort, FifoStop);
    SendPort(card, ModePort, LeaveSidMode);
  }
  FifoMode = false;
  WriteDirect(card * 2, ClockRegister, 0, Mk4StereoPlayback.load(std::memory_order_relaxed));
  FifoMode = true;
  SendPort(card, ModePort, SidMode);
  SendPort(card, FifoControlPort, FifoRun);
}

std::string TCatweaselMK4::GetName(int32_t chip) const {
  return ValidChip(chip) ? Names[chip] : std::string();
}

int64_t TCatweaselMK4::GetLatency(int32_t chip) const {
  return ValidChip(chip) ? Latencies[chip] : 0;
}

double TCatweaselMK4::SecondsPerCycle(int32_t) const {
  return CardSeconds.load(std::memory_order_relaxed);
}
