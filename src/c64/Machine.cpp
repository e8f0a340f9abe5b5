// The machine loop: instructions (or idle time) one pass at a time, with the VIC taking its
// cycles and the timers and interrupts brought up to date whenever an event is due.
#include <algorithm>
#include <cmath>

#include "c64/T6510.h"

namespace {

constexpr uint32_t JmpAbsolute = 0x4C;

}  // namespace

uint32_t T6510::ExecuteCycles(double cycles) {
  RunTarget = cycles > 0 ? std::min(cycles, 4e9) : 0.0;
  InstructionCycles = 0;
  // A PSID routine that pulled more than it pushed has lost its way back: it ends here.
  if (!RealC64Mode && StackDepth < 0) {
    StackDepth = 0;
    PC = 0xFFFE;
  }
  SongCyclesBefore += CyclesExecuted;
  CyclesExecuted = 0;
  BusyCycles = 0;
  TimerPendingCycles = 0;
  // For whole numbers of cycles, "below the target" and "below the target rounded up" agree.
  const uint32_t target = static_cast<uint32_t>(std::ceil(RunTarget));
  while (CyclesExecuted < target) {
    InterruptTakenThisPass = 0;
    IrqTakenThisPass = 0;
    AlreadyAdvanced = 0;
    IrqWasEnabled = !FlagI;
    BranchDelay = 0;
    PageCrossed = 0;
    if (PC >= 0xFFFE && !PlaySidMode) {
      PC = 0xFFFE;
      if (InitPhase) break;
      RunIdleJump();
      continue;
    }
    if (PC >= 0xFFFE) {
      RunPlaySidIdle();
    } else {
      ExecuteInstruction();
      if (DummyIcrRead[0] | DummyIcrRead[1]) ApplyDummyIcrReads();
      const uint32_t spent = InstructionCycles + StealCycles(LineCycle + InstructionCycles);
      TimerPendingCycles += static_cast<int32_t>(spent - std::min(spent, AlreadyAdvanced));
      CyclesExecuted += spent;
      CyclesSinceSidWrite += static_cast<int32_t>(spent);
      BusyCycles += spent;
      AdvanceRaster(spent);
      CyclesToNextEvent -= static_cast<int32_t>(spent);
      if (PlaySidMode) AdvanceSamples(spent);
    }
    if (CyclesToNextEvent < 1) AdvanceTimers(TimerPendingCycles);
    if (InitPhase && StackDepth < 1) {
      StackDepth = 0;
      break;
    }
  }
  if (TimerPendingCycles > 0) AdvanceTimers(TimerPendingCycles);
  TickTod(CyclesExecuted);
  // A tune may stay silent for hours; the count only has to say "long ago".
  constexpr int32_t LongAgo = 1 << 30;
  if (CyclesSinceSidWrite > LongAgo) CyclesSinceSidWrite = LongAgo;
  return CyclesExecuted;
}

// An idle CPU jumps straight to the next event; the VIC still takes its cycles as if the CPU
// were running a JMP loop.
void T6510::RunIdleJump() {
  if (TimerPendingCycles > 0) {
    AdvanceTimers(TimerPendingCycles);
    if (PC < 0xFFFE) return;  // an interrupt came in: its handler runs in the next pass
  }
  int32_t jump = std::max(CyclesToNextEvent, 1);
  if (CyclesExecuted + static_cast<uint32_t>(jump) > RunTarget) {
    jump = static_cast<int32_t>(std::lround(RunTarget)) - static_cast<int32_t>(CyclesExecuted) + 1;
  }
  CyclesExecuted += static_cast<uint32_t>(jump);
  CyclesSinceSidWrite += jump;
  AdvanceRaster(static_cast<uint32_t>(jump));
  CurrentOpcode = JmpAbsolute;
  InstructionCycles = 3;
  const uint32_t stolen = StealCycles(LineCycle + InstructionCycles);
  CyclesExecuted += stolen;
  CyclesSinceSidWrite += static_cast<int32_t>(stolen);
  AdvanceRaster(stolen);
  AdvanceTimers(jump + static_cast<int32_t>(stolen));
}

// In the PlaySID environment the idle CPU is accounted as a running JMP loop, so that the
// sample players advance in small steps.
void T6510::RunPlaySidIdle() {
  CurrentOpcode = JmpAbsolute;
  InstructionCycles = 3;
  const uint32_t spent = InstructionCycles + StealCycles(LineCycle + InstructionCycles);
  TimerPendingCycles += static_cast<int32_t>(spent);
  CyclesExecuted += spent;
  CyclesSinceSidWrite += static_cast<int32_t>(spent);
  BusyCycles += spent;
  AdvanceRaster(spent);
  CyclesToNextEvent -= static_cast<int32_t>(spent);
  AdvanceSamples(spent);
}
