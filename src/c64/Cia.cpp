// The two CIA 6526 chips: keyboard and serial ports, the four interval timers, the interrupt
// control registers and the time-of-day clocks. CIA 1 drives the IRQ line, CIA 2 the NMI line.
#include <algorithm>

#include "c64/T6510.h"

namespace {

constexpr uint32_t CiaOf(uint16_t address) { return (address >> 8) & 1; }
constexpr uint32_t ShadowBase(uint32_t cia) { return 0xC00 + 0x100 * cia; }

uint8_t IncrementBcd(uint8_t value) {
  return static_cast<uint8_t>((value & 0x0F) == 9 ? (value & 0xF0) + 0x10 : value + 1);
}

}  // namespace

uint8_t T6510::ReadCia(uint16_t address) {
  const uint32_t cia = CiaOf(address);
  const uint32_t reg = address & 0x0F;
  const uint8_t* shadow = &IoShadow[ShadowBase(cia)];
  switch (reg) {
    case 0x0:
      if (cia == 1) return static_cast<uint8_t>(((~shadow[2] | shadow[0]) & 0x3F) | (~shadow[0] & 0xC0));
      if (KeyPressActive && RealC64Mode) {
        KeyPressSeen = 1;
        return shadow[0] & 0xEF;
      }
      return static_cast<uint8_t>(~shadow[2] | shadow[0]);
    case 0x1:
      // The space key sits in keyboard row 7, column 4.
      if (cia == 0 && KeyPressActive && RealC64Mode) {
        KeyPressSeen = 1;
        return (shadow[0] & 0x80) ? 0xFF : 0xEF;
      }
      return static_cast<uint8_t>(~shadow[3] | shadow[1]);
    case 0x4:
    case 0x5:
    case 0x6:
    case 0x7:
      return ReadTimer(2 * cia + ((reg >> 1) & 1), reg & 1);
    case 0x8:
    case 0x9:
    case 0xA:
    case 0xB:
      return ReadTod(cia, reg);
    case 0xD:
      return ReadInterruptData(cia);
    case 0xE:
    case 0xF:
      return ReadTimerControl(2 * cia + (reg & 1));
    default:
      return shadow[reg];
  }
}

void T6510::WriteCia(uint16_t address, uint8_t value) {
  const uint32_t cia = CiaOf(address);
  const uint32_t reg = address & 0x0F;
  const uint32_t timer = 2 * cia + ((reg >> 1) & 1);
  // Under the vertical-blank lock the tune's own CIA 1 timer A set-up must not change the timing.
  const bool locked = cia == 0 && VbiLock;
  switch (reg) {
    case 0x4:
    case 0x6:
      CatchUpTimers(0);
      if (!(locked && timer == 0)) TimerLatch[timer] = static_cast<uint16_t>((TimerLatch[timer] & 0xFF00) | value);
      CyclesToNextEvent = 0;
      break;
    case 0x5:
    case 0x7:
      CatchUpTimers(0);
      if (!(locked && timer == 0)) {
        TimerLatch[timer] = static_cast<uint16_t>((TimerLatch[timer] & 0x00FF) | value << 8);
        if (TimerStopped[timer]) TimerCounter[timer] = TimerLatch[timer];
      }
      CyclesToNextEvent = 0;
      break;
    case 0x8:
    case 0x9:
    case 0xA:
    case 0xB:
      WriteTod(cia, reg, value);
      break;
    case 0xC:
      IcrData[cia] |= 0x08;
      if (IcrMask[cia] & 0x08) {
        IcrData[cia] |= 0x80;
        (cia == 0 ? CiaIrqPending : NmiPending) = 1;
        (cia == 0 ? IrqOffset : NmiOffset) = 0;
      }
      break;
    case 0xD:
      if (!locked) WriteInterruptMask(cia, value);
      break;
    case 0xE:
    case 0xF:
      WriteTimerControl(2 * cia + (reg & 1), value);
      break;
    default:
      break;
  }
  IoShadow[ShadowBase(cia) + reg] = value;
}

void T6510::PreliminaryCiaRead(uint16_t address) {
  const uint32_t cia = CiaOf(address);
  switch (address & 0x0F) {
    case 0x8:
      TodHalted[cia] = 0;
      break;
    case 0xB:
      TodHalted[cia] = 1;
      break;
    case 0xD:
      CatchUpTimers(ReadCycleTable[CurrentOpcode] + PageCrossed);
      DummyIcrRead[cia] = 1;
      DummyIcrFlags[cia] = IcrData[cia] != 0;
      if (cia == 0 || !(IcrData[1] & 0x80)) IcrData[cia] = 0;
      break;
    default:
      break;
  }
}

// A dummy read acknowledges like a real one: what it found is gone after the instruction.
void T6510::ApplyDummyIcrReads() {
  for (uint32_t cia = 0; cia < 2; ++cia) {
    if (!DummyIcrRead[cia]) continue;
    DummyIcrRead[cia] = 0;
    IcrData[cia] = 0;
    if (!DummyIcrFlags[cia]) continue;
    if (cia == 0) {
      IrqStarting = 0;
      CiaIrqPending = 0;
    } else {
      NmiStarting = 0;
      NmiPending = 0;
    }
  }
}

// Brings the timers up to a cycle within the current instruction, offset cycles after its start.
void T6510::CatchUpTimers(uint32_t offset) {
  const uint32_t ahead = offset > AlreadyAdvanced ? offset - AlreadyAdvanced : 0;
  AdvanceTimers(TimerPendingCycles + static_cast<int32_t>(ahead));
  AlreadyAdvanced = std::max(AlreadyAdvanced, offset);
}

void T6510::RunCiaTimers(int32_t cycles) {
  for (uint32_t cia = 0; cia < 2; ++cia) {
    const uint32_t a = 2 * cia;
    const uint32_t b = a + 1;
    const bool underflowA = !TimerStopped[a] && TimerCountsClock[a] && CountDown(a, cycles);
    if (TimerStopped[b]) continue;
    if (TimerCountsClock[b]) {
      CountDown(b, cycles);
    } else if ((IoShadow[ShadowBase(cia) + 0xF] & 0x40) && underflowA) {
      // CRB bit 6: timer B counts timer A underflows (the CNT line is pulled high).
      CountDown(b, 1);
    }
  }
}

bool T6510::CountDown(uint32_t timer, int32_t cycles) {
  TimerCounter[timer] -= cycles;
  if (TimerCounter[timer] >= 0) return false;
  TimerUnderflow(timer);
  return true;
}

void T6510::TimerUnderflow(uint32_t timer) {
  const uint32_t cia = timer >> 1;
  const int32_t overrun = -TimerCounter[timer] - 1;
  IcrData[cia] |= (timer & 1) ? 2 : 1;
  uint8_t& pending = cia == 0 ? CiaIrqPending : NmiPending;
  if (TimerIrqEnabled[timer] && !pending && (!(IcrData[cia] & 0x80) || (timer == 0 && !RealC64Mode))) {
    pending = 1;
    const int32_t cycles = static_cast<int32_t>(InstructionCycles);
    const int32_t offset = cycles ? overrun % cycles : 0;
    (cia == 0 ? IrqOffset : NmiOffset) = offset;
    // The IRQ came too late in an instruction that set I to still get through after it.
    if (cia == 0 && IrqWasEnabled && FlagI && offset >= cycles - 1) IrqWasEnabled = 0;
  }
  TimerCounter[timer] = TimerLatch[timer];
  if (IoShadow[ShadowBase(cia) + 0xE + (timer & 1)] & 0x08) {
    TimerStopped[timer] = 1;
  } else {
    TimerCounter[timer] -= overrun % (TimerLatch[timer] + 1);
  }
}

uint8_t T6510::ReadTimer(uint32_t timer, bool highByte) {
  CatchUpTimers(0);
  int32_t count = TimerCounter[timer];
  if (!TimerStopped[timer] && TimerCountsClock[timer]) {
    count -= TimerPendingCycles;
    if (!highByte) {
      // The low byte is read at the instruction's read cycle.
      count -= timer < 2 ? ReadCycleTable[CurrentOpcode] + PageCrossed
                         : static_cast<int32_t>(InstructionCycles) - 1;
    }
  }
  CyclesToNextEvent = 0;
  return static_cast<uint8_t>(highByte ? count >> 8 : count);
}

uint8_t T6510::ReadTimerControl(uint32_t timer) {
  CatchUpTimers(3);
  uint8_t value = IoShadow[ShadowBase(timer >> 1) + 0xE + (timer & 1)];
  const int32_t atRead = TimerCounter[timer] - TimerPendingCycles - ReadCycleTable[CurrentOpcode] - PageCrossed;
  if (!TimerStopped[timer] && TimerCountsClock[timer] && (value & 0x08) && atRead < 0) TimerStopped[timer] = 1;
  if (RealC64Mode) {
    value &= 0xEF;
    if (TimerStopped[timer]) value &= 0xFE;
  }
  CyclesToNextEvent = 0;
  return value;
}

void T6510::WriteTimerControl(uint32_t timer, uint8_t value) {
  CatchUpTimers(3);
  CyclesToNextEvent = 0;
  if (timer == 0 && VbiLock) return;
  const bool timerB = timer & 1;
  TimerStopped[timer] = !(value & 0x01);
  TimerCountsClock[timer] = !(value & (timerB ? 0x60 : 0x20));
  if (value & 0x10) TimerCounter[timer] = TimerLatch[timer] + 1;
  if (!TimerStopped[timer] && !(timerB && (value & 0x40))) {
    TimerCounter[timer] += 1 + WriteCycleTable[CurrentOpcode];
  }
}

uint8_t T6510::ReadInterruptData(uint32_t cia) {
  CatchUpTimers(ReadCycleTable[CurrentOpcode] + 1u + PageCrossed);
  const uint8_t value = IcrData[cia];
  if (cia == 0) {
    IrqStarting = 0;
    IrqDue = 0;
    CiaIrqPending = 0;
    if (!IrqTakenThisPass) IcrData[0] = 0;
  } else {
    if (!(value & 0x80)) {
      NmiStarting = 0;
      NmiDue = 0;
      NmiPending = 0;
    }
    IcrData[1] = 0;
  }
  ExtraDelay = 1;
  CyclesToNextEvent = 0;
  return value;
}

void T6510::WriteInterruptMask(uint32_t cia, uint8_t value) {
  if (value & 0x80) {
    IcrMask[cia] |= value & 0x7F;
  } else {
    IcrMask[cia] &= static_cast<uint8_t>(~value);
  }
  TimerIrqEnabled[2 * cia] = IcrMask[cia] & 1;
  TimerIrqEnabled[2 * cia + 1] = (IcrMask[cia] >> 1) & 1;
}

uint8_t T6510::ReadTod(uint32_t cia, uint32_t reg) {
  switch (reg) {
    case 0x8:
      TodHalted[cia] = 0;
      return TodTenths[cia];
    case 0x9:
      return TodSeconds[cia];
    case 0xA:
      return TodMinutes[cia];
    default:
      TodHalted[cia] = 1;
      return TodHours[cia];
  }
}

void T6510::WriteTod(uint32_t cia, uint32_t reg, uint8_t value) {
  switch (reg) {
    case 0x8:
      TodTenths[cia] = value & 0x0F;
      TodAccumulator[cia] = 0;
      TodHalted[cia] = 0;
      break;
    case 0x9:
      TodSeconds[cia] = value & 0x7F;
      break;
    case 0xA:
      TodMinutes[cia] = value & 0x7F;
      break;
    default:
      TodHours[cia] = value & 0x9F;
      TodHalted[cia] = 1;
      break;
  }
}

void T6510::TickTod(uint32_t cycles) {
  for (uint32_t cia = 0; cia < 2; ++cia) {
    // CRA bit 7 tells the CIA whether its TOD input runs at 50 or 60 Hz.
    const uint32_t tenth = (IoShadow[ShadowBase(cia) + 0xE] & 0x80) ? 98524 : 102272;
    TodAccumulator[cia] += cycles;
    while (TodAccumulator[cia] > tenth) {
      TodAccumulator[cia] -= tenth;
      if (TodHalted[cia]) continue;
      if (++TodTenths[cia] <= 9) continue;
      TodTenths[cia] = 0;
      TodSeconds[cia] = IncrementBcd(TodSeconds[cia]);
      if (TodSeconds[cia] < 0x60) continue;
      TodSeconds[cia] = 0;
      TodMinutes[cia] = IncrementBcd(TodMinutes[cia]);
      if (TodMinutes[cia] < 0x60) continue;
      TodMinutes[cia] = 0;
      TodHours[cia] = static_cast<uint8_t>((TodHours[cia] & 0x80) | IncrementBcd(TodHours[cia] & 0x7F));
      if ((TodHours[cia] & 0x7F) == 0x12) TodHours[cia] = 0x80;
    }
  }
}
