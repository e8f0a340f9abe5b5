#include "output/CatweaselMK3.h"

namespace {

// Most writes go out twice, so that a request the card drops cannot leave a gate, a frequency
// or an envelope wrong; pulse widths and the volume are sent once.
bool LatchesOnce(uint8_t reg) {
  switch (reg) {
    case 2:
    case 3:
    case 9:
    case 10:
    case 16:
    case 17:
    case 24:
      return true;
    default:
      return false;
  }
}

constexpr uint8_t ReadRequest = 0x20;

}  // namespace

TCatweaselMK3::TCatweaselMK3(platform::TDeviceIo& io, TCounterRead counter)
    : TSidDevice(counter), ChipSeconds(CycleSeconds(TClockMode::Pal)) {
  for (int32_t file = 1; file <= MaxChips; ++file) {
    std::unique_ptr<platform::TDeviceHandle> handle =
        io.Open("\\\\.\\SID6581_" + std::to_string(file));
    if (!handle) continue;
    const int32_t chip = Chips++;
    Handles[chip] = std::move(handle);
    SendClock(chip, true);
    ResetDevice(chip, 1);
    Names[chip] = "Catweasel3 " + std::to_string(chip) + " (" + DetectModel(chip) + ")";
    Latencies[chip] = MeasureLatency(chip);
  }
}

platform::TDeviceHandle* TCatweaselMK3::Handle(int32_t chip) const {
  return chip >= 0 && chip < Chips ? Handles[chip].get() : nullptr;
}

bool TCatweaselMK3::SendWrite(platform::TDeviceHandle& handle, uint8_t reg, uint8_t value) {
  const uint8_t request[2] = {uint8_t(reg & 31), value};
  size_t returned = 0;
  return handle.Control(AccessCode, request, sizeof request, nullptr, 0, returned);
}

bool TCatweaselMK3::Write(int32_t chip, uint8_t reg, uint32_t cycles, uint8_t value) {
  platform::TDeviceHandle* handle = Handle(chip);
  if (!handle) return false;
  TSidDevice::Write(chip, reg, cycles, value);
  bool sent = SendWrite(*handle, reg, value);
  if (!LatchesOnce(reg)) sent = SendWrite(*handle, reg, value) && sent;
  return sent;
}

bool TCatweaselMK3::Read(int32_t chip, uint8_t reg, uint32_t cycles, uint8_t& value) {
  platform::TDeviceHandle* handle = Handle(chip);
  if (!handle) return false;
  TSidDevice::Read(chip, reg, cycles, value);
  const uint8_t request[2] = {ReadRequest, uint8_t(reg & 31)};
  uint8_t answer = 0;
  size_t returned = 0;
  if (!handle->Control(AccessCode, request, sizeof request, &answer, 1, returned) || returned < 1)
    return false;
  value = answer;
  return true;
}

bool TCatweaselMK3::SendClock(int32_t chip, bool pal) {
  const uint8_t request = pal ? 0 : 1;
  size_t returned = 0;
  return Handles[chip]->Control(ClockCode, &request, 1, nullptr, 0, returned);
}

void TCatweaselMK3::SetPal(int32_t chip, bool pal) {
  if (!Handle(chip)) return;
  SendClock(chip, pal);
  ChipSeconds.store(CycleSeconds(pal ? TClockMode::Pal : TClockMode::Ntsc),
                    std::memory_order_relaxed);
  // The card needs a moment to switch its oscillator before the next write counts.
  LastWrite = SpinUntil(LastWrite + Frequency * 10 / 982800 - CounterOverhead);
}

std::string TCatweaselMK3::GetName(int32_t chip) const {
  return Handle(chip) ? Names[chip] : std::string();
}

int64_t TCatweaselMK3::GetLatency(int32_t chip) const { return Handle(chip) ? Latencies[chip] : 0; }

double TCatweaselMK3::SecondsPerCycle(int32_t) const {
  return ChipSeconds.load(std::memory_order_relaxed);
}

void TCatweaselMK3::Silence(int32_t chip) {
  for (uint8_t reg : {24, 0, 1, 7, 8, 14, 15, 4, 11, 18, 5, 6, 12, 13, 19, 20})
    Write(chip, reg, 0, 0);
}

void TCatweaselMK3::ResetAll(uint8_t flag, int32_t) {
  for (int32_t chip = 0; chip < Chips; ++chip) ResetDevice(chip, flag);
}
