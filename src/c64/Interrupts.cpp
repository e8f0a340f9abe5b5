// Delivery of IRQ (VIC, CIA 1) and NMI (CIA 2) to the CPU, with the few cycles of delay the
// 6510 needs to recognise an interrupt, and the scheduling of the next timer event.
#include <algorithm>

#include "c64/T6510.h"

namespace {

constexpr uint32_t Brk = 0x00;

}  // namespace

void T6510::AdvanceTimers(int32_t cycles) {
  // While the init routine runs, timers and interrupts stand still.
  if (!InitPhase) {
    RunCiaTimers(cycles);
    if (!InterruptTakenThisPass) StartInterrupts(cycles);
  }
  TimerPendingCycles = 0;
  StolenCycles = 0;
  BranchDelay = 0;
  CyclesToNextEvent = NextEventDistance(static_cast<int32_t>(RunTarget - CyclesExecuted));
}

void T6510::StartInterrupts(int32_t cycles) {
  const int32_t elapsed = cycles - static_cast<int32_t>(StolenCycles);
  if (!NmiStarting && NmiPending) {
    NmiCountdown = static_cast<int32_t>(ExtraDelay) + 2 - NmiOffset + elapsed;
    if (CurrentOpcode == Brk && !PlaySidMode) {
      if (NmiOffset >= 4) {
        // The NMI arrived while BRK pushed: it takes over BRK's stack frame, B flag and all.
        ReturnAtOnce();
        KeepBFlag = 1;
      } else {
        NmiCountdown = elapsed + 1;
        KeepBFlag = 0;
      }
    }
    CyclesToNextEvent = NmiCountdown;
    NmiStarting = 1;
    IrqStarting = 0;
    IrqDue = 0;
  } else if ((CiaIrqPending || VicIrqPending) && !IrqStarting && IrqAllowed()) {
    IrqDue = VicIrqPending;
    IrqCountdown = static_cast<int32_t>(ExtraDelay) + 2 - IrqOffset + elapsed;
    CyclesToNextEvent = IrqCountdown;
    IrqStarting = 1;
  }
  if (BranchDelay) {
    NmiCountdown += NmiStarting;
    IrqCountdown += IrqStarting;
  }
  if (NmiStarting) NmiCountdown -= elapsed;
  if (IrqStarting) IrqCountdown -= elapsed;
  if (!NmiStarting && !IrqStarting) ExtraDelay = 0;
  if (NmiStarting && NmiCountdown < 2 && !(IcrData[1] & 0x80)) {
    IcrData[1] |= 0x80;
    NmiDue = 1;
  }
  if (IrqStarting && !IrqDue && CiaIrqPending && IrqCountdown < 2) {
    IcrData[0] |= 0x80;
    IrqDue = 1;
  }
  if (NmiDue && NmiStarting && NmiCountdown <= 0) {
    TakeNmi();
  } else if (IrqDue && IrqStarting && IrqCountdown < 1 && !NmiStarting) {
    TakeIrq();
  }
  IrqWasEnabled = !FlagI;
}

bool T6510::IrqAllowed() const {
  if (RealC64Mode) return !FlagI || IrqWasEnabled;
  // PSID routines run with whatever I they like; a directly called play routine never nests.
  return PlayAddress == 0 || PC >= 0xFFFE;
}

void T6510::TakeNmi() {
  NmiPending = 0;
  NmiStarting = 0;
  NmiDue = 0;
  InterruptTakenThisPass = 1;
  Push(static_cast<uint8_t>(PC >> 8));
  Push(static_cast<uint8_t>(PC));
  Push((StatusByte() | 0x20) & (KeepBFlag ? 0xFF : 0xEF));
  KeepBFlag = 0;
  FlagI = 1;
  NmiInService = 1;
  StackDepth += 3;
  PC = VectorWord(0xFFFA);
  if (PC == 0) {
    ReturnAtOnce();
    IcrData[1] &= 0x7F;
    NmiInService = 0;
  }
  ChargeInterruptEntry();
}

void T6510::TakeIrq() {
  if (IrqObserver) IrqObserver->IrqTaken();
  CiaIrqInService |= CiaIrqPending;
  VicIrqInService |= VicIrqPending;
  if (CiaIrqPending) {
    CiaIrqPending = 0;
  } else {
    VicIrqPending = 0;
  }
  IrqStarting = 0;
  IrqDue = 0;
  InterruptTakenThisPass = 1;
  IrqTakenThisPass = 1;
  if (PlayAddress != 0) {
    CallPlayRoutine();
  } else {
    Push(static_cast<uint8_t>(PC >> 8));
    Push(static_cast<uint8_t>(PC));
    Push((StatusByte() | 0x20) & 0xEF);
    FlagI = 1;
    StackDepth += 3;
    PC = VectorWord(0xFFFE);
    if (PC == 0) ReturnAtOnce();
  }
  ChargeInterruptEntry();
}

// An interrupt whose vector is 0 has no handler: the frame just pushed is taken back.
void T6510::ReturnAtOnce() {
  SetStatusByte(Pull());
  const uint8_t low = Pull();
  PC = static_cast<uint16_t>(low | Pull() << 8);
  StackDepth -= 3;
}

void T6510::CallPlayRoutine() {
  WritePortData(PlayBanking());
  // The play routine returns with RTS: an idle CPU gets $FFFF back, a busy one its own PC.
  const uint16_t returnAddress = PC >= 0xFFFE ? 0xFFFE : static_cast<uint16_t>(PC - 1);
  Push(static_cast<uint8_t>(returnAddress >> 8));
  Push(static_cast<uint8_t>(returnAddress));
  StackDepth += 2;
  PC = PlayAddress;
  A = X = Y = 0;
  IcrData[0] &= 0x7F;
  IoShadow[0x19] &= 0x7F;
}

uint8_t T6510::PlayBanking() const {
  if (PlayAddress >= 0xD000 && PlayAddress <= 0xDFFF) return 0x34;
  if (PlayAddress >= 0xE000) return 0x35;
  if (LoadEnd >= 0xA000 || PlayAddress >= 0xA000) return 0x36;
  return 0x37;
}

// Entering an interrupt takes the CPU seven cycles.
void T6510::ChargeInterruptEntry() {
  constexpr uint32_t EntryCycles = 7;
  AdvanceRaster(EntryCycles);
  CyclesExecuted += EntryCycles;
  BusyCycles += EntryCycles;
  CyclesSinceSidWrite += EntryCycles;
  RunCiaTimers(EntryCycles);
}

int32_t T6510::NextEventDistance(int32_t cyclesRemaining) const {
  int32_t distance = cyclesRemaining + 1;
  for (uint32_t timer = 0; timer < 4; ++timer) {
    if (!TimerStopped[timer] && TimerCountsClock[timer]) distance = std::min(distance, TimerCounter[timer] + 1);
  }
  if (TimerStopped[0]) distance = std::min(distance, 65535);
  const int32_t line = static_cast<int32_t>(RasterLine);
  const int32_t compare = static_cast<int32_t>(RasterCompare);
  const int32_t lines = compare > line ? compare - line - 1 : LinesPerFrame - line + compare - 1;
  distance = std::min(distance, lines * CyclesPerLine);
  if (IrqStarting || CiaIrqPending) distance = std::min(distance, IrqCountdown);
  if (NmiStarting || NmiPending) distance = std::min(distance, NmiCountdown);
  return distance;
}
