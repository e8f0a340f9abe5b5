#pragma once
// Where the emulated machine sends its SID register accesses. The SID write stream
// implements it; tests plug in a recorder. Register r of a tune's SID chip n (0 for the first,
// 1 and 2 for the chips its header adds) arrives as n × 32 + r.
#include <cstdint>

class TSidSink {
 public:
  virtual ~TSidSink() = default;
  // A CPU write to SID register reg after cycles (at least 1) since the previous access to any
  // of the chips.
  virtual bool WriteSid(uint8_t reg, uint8_t value, uint32_t cycles) = 0;
  // A CPU read of a SID register other than the paddles (25, 26) after cycles since the previous
  // access; value holds the machine's own guess (the I/O image's byte for 27 and 28, the last
  // byte written for the write-only ones) and receives the chip's answer.
  virtual void ReadSid(uint8_t reg, uint32_t cycles, uint8_t& value) = 0;
};
