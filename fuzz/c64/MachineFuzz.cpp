// Any memory image, register state and environment must run through the machine loop without
// crashing or touching memory outside the machine's arrays.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "c64/T6510.h"
#include "output/SidSink.h"

namespace {

class TCountingSink : public TSidSink {
 public:
  bool WriteSid(uint8_t, uint8_t value, uint32_t) override {
    Sum += value;
    return true;
  }
  void ReadSid(uint8_t, uint32_t, uint8_t& value) override { value = static_cast<uint8_t>(Sum); }
  uint32_t Sum = 0;
};

}  // namespace

// Layout: port data, environment bits, status byte, SP, PC (2), play address (2), then the
// memory image from $0000 on (shorter inputs leave the rest as the reset made it).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr size_t Header = 8;
  if (size < Header) return 0;
  static auto machine = std::make_unique<T6510>();
  static TCountingSink sink;
  machine->SetSidSink(&sink);
  const uint8_t environment = data[1];
  machine->SetPlaySidMode(environment & 1);
  machine->RealC64Mode = (environment >> 1) & 1;
  machine->VbiLock = (environment >> 3) & 1;
  machine->ResetMemory(environment & 4);
  machine->WritePortData(data[0]);
  for (size_t i = Header; i < size && i - Header < machine->Ram.size(); ++i) machine->Ram[i - Header] = data[i];
  machine->SetStatusByte(data[2]);
  machine->SP = data[3];
  machine->PC = static_cast<uint16_t>(data[4] | data[5] << 8);
  machine->PlayAddress = static_cast<uint16_t>(data[6] | data[7] << 8);
  machine->ExecuteCycles(2000);
  return 0;
}
