// The envelope generator's steps. The rate counter is never reset by the gate: a period
// written below the current count makes it run on through 32,768 before the next step, the
// delay that "hard restart" routines work around.
#include "sid/Envelope.h"

void TSidEnvelope::Reset() {
  Counter = 0;
  State = TState::Release;
  Gate = false;
  Attack = Decay = Sustain = Release = 0;
  RateCounter = 0;
  ExponentialCounter = 0;
  ExponentialPeriod = 1;
  Frozen = true;
  SelectPeriod();
}

void TSidEnvelope::WriteControl(uint8_t value) {
  const bool gate = (value & 1) != 0;
  if (gate == Gate) return;
  Gate = gate;
  State = gate ? TState::Attack : TState::Release;
  if (gate) Frozen = false;
  SelectPeriod();
}

void TSidEnvelope::WriteAttackDecay(uint8_t value) {
  Attack = value >> 4;
  Decay = value & 0x0F;
  SelectPeriod();
}

void TSidEnvelope::WriteSustainRelease(uint8_t value) {
  Sustain = value >> 4;
  Release = value & 0x0F;
  SelectPeriod();
}

void TSidEnvelope::SkipHolding(uint32_t cycles) {
  const uint32_t first = CyclesToStep();
  if (cycles < first) {
    Skip(cycles);
    return;
  }
  const uint32_t after = cycles - first;
  RateCounter = after % Period;
  ExponentialCounter = (ExponentialCounter + 1 + after / Period) % ExponentialPeriod;
}

void TSidEnvelope::SelectPeriod() {
  const uint8_t rate = State == TState::Attack ? Attack : State == TState::DecaySustain ? Decay : Release;
  Period = RatePeriods[rate];
}

void TSidEnvelope::Step() {
  if (State == TState::Attack) {
    ExponentialCounter = 0;
    if (Counter != 0xFF) ++Counter;
    if (Counter == 0xFF) {
      State = TState::DecaySustain;
      SelectPeriod();
    }
    UpdateExponentialPeriod();
    return;
  }
  if (++ExponentialCounter < ExponentialPeriod) return;
  ExponentialCounter = 0;
  if (Frozen) return;
  if (State == TState::DecaySustain && Counter == uint8_t(Sustain * 0x11)) return;
  --Counter;
  UpdateExponentialPeriod();
}

// The divider is switched by equality compares on the counter, whichever way it is moving.
void TSidEnvelope::UpdateExponentialPeriod() {
  switch (Counter) {
    case 0xFF:
      ExponentialPeriod = 1;
      break;
    case 0x5D:
      ExponentialPeriod = 2;
      break;
    case 0x36:
      ExponentialPeriod = 4;
      break;
    case 0x1A:
      ExponentialPeriod = 8;
      break;
    case 0x0E:
      ExponentialPeriod = 16;
      break;
    case 0x06:
      ExponentialPeriod = 30;
      break;
    case 0x00:
      ExponentialPeriod = 1;
      Frozen = true;
      break;
    default:
      break;
  }
}
