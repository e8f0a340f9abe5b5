#include "player/dmSidPlayer.h"

#include <algorithm>

#include "c64/T6510.h"
#include "output/DeviceHost.h"
#include "platform/Threads.h"
#include "player/Bars.h"
#include "player/Player.h"

namespace {

constexpr uint32_t PalBit = 1u << 16;
// $D400-$D41A in the machine's I/O image: the SID registers as the C64 reads them back.
constexpr size_t SidImageStart = 0x400;
constexpr size_t SidImageLength = 27;

}  // namespace

TdmTimer::TdmTimer() = default;

// The machine may already be gone at the end of the run; only a running player still needs it.
TdmTimer::~TdmTimer() {
  if (Player) StopPlayerThread();
  if (Bars) Bars->Stop();
}

void TdmTimer::PublishFramePeriod(uint16_t period, bool pal) {
  FrameSource.store(period | (pal ? PalBit : 0), std::memory_order_relaxed);
}

float TdmTimer::FrameRate() const {
  const uint32_t source = FrameSource.load(std::memory_order_relaxed);
  const uint32_t period = source & 0xFFFF;
  if (period == 0) return 0;
  return static_cast<float>(((source & PalBit) ? PalClock : NtscClock) / period);
}

void TdmTimer::PostFlush() { Post(TPlayerCommand::Flush, 0, 0); }
void TdmTimer::PostMuteAll() { Post(TPlayerCommand::MuteAll, 0, 0); }
void TdmTimer::PostMuteVoice(int32_t voice) { Post(TPlayerCommand::MuteVoice, voice, 0); }
void TdmTimer::PostFilterOn() { Post(TPlayerCommand::FilterOn, 0, 0); }
void TdmTimer::PostFilterOff() { Post(TPlayerCommand::FilterOff, 0, 0); }
void TdmTimer::PostResetDevices(uint8_t flag) { Post(TPlayerCommand::ResetDevices, 0, flag); }

void TdmTimer::PostUnmuteVoices(const std::array<bool, 4>& unmute) {
  int32_t mask = 0;
  for (size_t voice = 0; voice < unmute.size(); ++voice)
    if (unmute[voice]) mask |= 1 << voice;
  Post(TPlayerCommand::UnmuteVoices, mask, 0);
}

void TdmTimer::Post(TPlayerCommand code, int32_t arg, uint8_t flag) {
  std::lock_guard<std::recursive_mutex> hold(CommandLock);
  // A post from an event answered during another post's wait must not overwrite that command.
  WaitUntilTaken();
  CommandCode = code;
  CommandDevice = Machine ? Machine->Writer->CurrentDevice.load() : 0;
  CommandArg = arg;
  CommandFlag = flag;
  CommandPending.store(true, std::memory_order_release);
  WaitUntilTaken();
}

bool TdmTimer::PlayerTakesCommands() const { return Player && !Player->Suspended() && !Player->Finished(); }

// Without a running player thread (none, not started, or already ended while the window waited)
// the command is carried out on the caller's thread.
void TdmTimer::WaitUntilTaken() {
  while (CommandPending.load(std::memory_order_acquire)) {
    if (!PlayerTakesCommands()) {
      ExecutePendingCommand();
      return;
    }
    DeviceHost().ProcessMessages();
    platform::YieldThread();
  }
}

void TdmTimer::ExecutePendingCommand() {
  if (!CommandPending.load(std::memory_order_acquire)) return;
  CarryOut();
  CommandPending.store(false, std::memory_order_release);
}

void TdmTimer::CarryOut() {
  if (!Machine) return;
  TSidWriter& writer = *Machine->Writer;
  switch (CommandCode) {
    case TPlayerCommand::Flush:
      writer.Flush();
      break;
    case TPlayerCommand::MuteAll:
      writer.MuteAll();
      break;
    case TPlayerCommand::MuteVoice:
      writer.MuteVoice(CommandArg);
      break;
    case TPlayerCommand::UnmuteVoices:
      writer.UnmuteVoices({(CommandArg & 1) != 0, (CommandArg & 2) != 0, (CommandArg & 4) != 0, (CommandArg & 8) != 0});
      break;
    case TPlayerCommand::FilterOn:
      writer.FilterOn();
      break;
    case TPlayerCommand::FilterOff:
      writer.FilterOff();
      break;
    case TPlayerCommand::ResetDevices:
      Machine->Devices->ResetAll(CommandFlag, CommandDevice);
      break;
  }
}

void TdmTimer::RestPlayer() {
  if (!Player) return;
  Player->RestRequested = true;
  Player->WakeEvent.Reset();
}

void TdmTimer::StopPlayerThread() {
  if (Player) {
    Player->WakeEvent.Signal();
    Player->Stop();
    Player.reset();
  }
  if (Machine) {
    auto sid = Machine->IoShadow.begin() + SidImageStart;
    std::fill(sid, sid + SidImageLength, uint8_t{0});
  }
}
