#pragma once
// One voice's envelope generator: the 15-bit rate counter compared for equality with the
// selected period, the exponential divider of decay and release, and the 8-bit counter.
#include <cstdint>

class TSidEnvelope {
 public:
  enum class TState : uint8_t { Attack, DecaySustain, Release };

  // Cycles between envelope steps for each rate nibble (the data sheet's 2 ms .. 8 s attack).
  static constexpr uint16_t RatePeriods[16] = {9,   32,  63,   95,   149,  220,   267,   313,
                                                392, 977, 1954, 3126, 3907, 11720, 19532, 31251};
  static constexpr uint32_t RateCounterMask = 0x7FFF;

  void Reset();
  void WriteControl(uint8_t value);  // the gate bit
  void WriteAttackDecay(uint8_t value);
  void WriteSustainRelease(uint8_t value);

  void Clock() {
    RateCounter = (RateCounter + 1) & RateCounterMask;
    if (RateCounter != Period) return;
    RateCounter = 0;
    Step();
  }
  // Cycles until the next envelope step may happen: the whole stretch can be clocked at once
  // with Skip() when it ends before that.
  uint32_t CyclesToStep() const {
    return RateCounter < Period ? Period - RateCounter : RateCounterMask + 1 - RateCounter + Period;
  }
  void Skip(uint32_t cycles) { RateCounter = (RateCounter + cycles) & RateCounterMask; }
  // Sustaining, or stopped at zero: the steps change nothing but the exponential divider.
  bool Holding() const {
    return State != TState::Attack && (Frozen || (State == TState::DecaySustain && Counter == uint8_t(Sustain * 0x11)));
  }
  // Any number of cycles while Holding(), counted out at once.
  void SkipHolding(uint32_t cycles);

  uint8_t Counter = 0;
  TState State = TState::Release;
  bool Gate = false;
  uint8_t Attack = 0, Decay = 0, Sustain = 0, Release = 0;
  uint32_t RateCounter = 0;
  uint32_t Period = RatePeriods[0];
  uint32_t ExponentialCounter = 0;
  uint32_t ExponentialPeriod = 1;
  // The counter has reached zero in decay or release and stays there.
  bool Frozen = true;

 private:
  void Step();
  void SelectPeriod();
  void UpdateExponentialPeriod();
};
