#include "output/HardSID.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/Registry.h"
#include "settings/Preferences.h"

namespace {

constexpr platform::THive kHive = platform::THive::LocalMachine;
constexpr char kHardSidKey[] = "SOFTWARE\\Hard Software\\HardSID";
constexpr char kDelayValue[] = "CurrentMicrosecDelay";
constexpr char kOldDelayValue[] = "OldCurrentMicrosecDelay";
// Longer buffering delays in the library make the sound lag the player's display.
constexpr int32_t kDelayLimit = 192;
// The HardSID setup records one key per classic chip, numbered from 0.
constexpr int32_t kMaxRegistryChips = 20;

constexpr uint32_t kMinimumCycles = 4;
constexpr uint32_t kLongestDelay = 65535;
// Two writes of one frequency need this many cycles between them and the write before.
constexpr uint32_t kFrequencyPairCycles = 8;
constexpr uint32_t kSecondByteCycles = 4;

// Extra 1 MHz cycles per C64 cycle: PAL cycles are longer, NTSC ones shorter.
constexpr double kPalCycleStretch = 0.0147515556;
constexpr double kNtscCycleShrink = 0.0227272143;
// Frequency scaling to the 1 MHz clock, in 1/65536ths.
constexpr uint32_t kPalFrequencyCut = 981;
constexpr uint32_t kNtscFrequencyRaise = 1456;

std::string DeviceKey(int32_t chip) {
  return std::string(kHardSidKey) + "\\Devices\\Device" + std::to_string(chip);
}

int32_t CountRegistryChips() {
  int32_t count = 0;
  while (count < kMaxRegistryChips && platform::KeyExists(kHive, DeviceKey(count))) ++count;
  return count;
}

std::string LibraryName() {
  const char* path = std::getenv(THardSID::LibraryVariable);
  return path && *path ? path : THardSID::DefaultLibrary;
}

template <class TFunction>
bool Bind(const platform::TDynamicLibrary& library, const char* name, TFunction& function) {
  function = reinterpret_cast<TFunction>(library.Symbol(name));
  return function != nullptr;
}

bool Exports(const platform::TDynamicLibrary& library, const char* name) {
  return library.Symbol(name) != nullptr;
}

}  // namespace

THardSID::THardSID(TCounterRead counter) : TSidDevice(counter) {
  HardSidC64Clock.store(TPreferences().HSClockAdjustment() == 1, std::memory_order_relaxed);
  LimitLibraryDelay();
  if (!BindLibrary()) {
    Functions = {};
    Library.Close();
    return;
  }
  const int32_t reported = Old ? Functions.GetHardSIDCount() : Functions.Devices();
  ChipCount = std::min(reported, MaxChips);
  ClassicChipCount = CountRegistryChips();
  SetUpChips();
  PalFlag = 1;
}

THardSID::~THardSID() {
  Functions = {};
  Library.Close();
  RestoreLibraryDelay();
}

// The three direct-access functions are all a classic card needs. The buffered set is bound in
// a fixed order; the first one missing marks an older library whose chips all run classic.
bool THardSID::BindLibrary() {
  if (!Library.Open(LibraryName())) return false;
  if (!Bind(Library, "WriteToHardSID", Functions.WriteToHardSID) ||
      !Bind(Library, "ReadFromHardSID", Functions.ReadFromHardSID) ||
      !Bind(Library, "GetHardSIDCount", Functions.GetHardSIDCount))
    return false;
  Bind(Library, "HardSID_SoftFlush", Functions.SoftFlush);
  const bool complete =
      Bind(Library, "HardSID_Delay", Functions.Delay) &&
      Bind(Library, "HardSID_Devices", Functions.Devices) &&
      Bind(Library, "HardSID_Filter", Functions.Filter) &&
      Bind(Library, "HardSID_Flush", Functions.Flush) && Exports(Library, "HardSID_Mute") &&
      Bind(Library, "HardSID_MuteAll", Functions.MuteAll) &&
      Bind(Library, "HardSID_Reset", Functions.Reset) &&
      Bind(Library, "HardSID_Read", Functions.Read) && Exports(Library, "HardSID_Sync") &&
      Bind(Library, "HardSID_Write", Functions.Write) && Exports(Library, "HardSID_Version") &&
      Exports(Library, "HardSID_Reset2") && Exports(Library, "HardSID_Lock") &&
      Exports(Library, "HardSID_Unlock");
  Old = !complete;
  return true;
}

void THardSID::SetUpChips() {
  int32_t classicNumber = 0;
  int32_t bufferedNumber = 0;
  for (int32_t chip = 0; chip < ChipCount; ++chip) SetUpChip(chip, classicNumber, bufferedNumber);
}

void THardSID::SetUpChip(int32_t chip, int32_t& classicNumber, int32_t& bufferedNumber) {
  TChip& entry = Chips[chip];
  entry.LibraryDevice = uint8_t(chip);
  if (!C64Clock()) LockClock(chip, TClockMode::OneMhz);
  if (Classic(chip)) {
    ResetDevice(chip, 1);
  } else {
    Functions.Reset(entry.LibraryDevice);
    Functions.Filter(entry.LibraryDevice, true);
    Functions.MuteAll(entry.LibraryDevice, false);
  }
  entry.Model = DetectModel(chip);
  const std::string modelPart = entry.Model.empty() ? "" : " (" + entry.Model + ")";
  if (Classic(chip)) {
    entry.Name = "HardSID " + std::to_string(classicNumber++) + modelPart;
  } else {
    entry.Name = "HardSID 4U " + std::to_string(bufferedNumber++) + modelPart;
    if (First4U == -1) First4U = chip;
  }
  entry.Latency = MeasureLatency(chip);
}

void THardSID::LimitLibraryDelay() {
  platform::TRegistryKey key;
  if (!key.Open(kHive, kHardSidKey)) return;
  const int32_t delay = key.ReadInteger(kDelayValue).value_or(-1);
  if (delay <= kDelayLimit) return;
  key.WriteInteger(kOldDelayValue, delay);
  key.WriteInteger(kDelayValue, kDelayLimit);
}

void THardSID::RestoreLibraryDelay() {
  platform::TRegistryKey key;
  if (!key.Open(kHive, kHardSidKey)) return;
  const int32_t old = key.ReadInteger(kOldDelayValue).value_or(-1);
  if (old == -1) return;
  key.WriteInteger(kDelayValue, old);
  key.DeleteValue(kOldDelayValue);
}

bool THardSID::FindFrequencyRegister(uint8_t reg, TFrequencyRegister& where) {
  if (reg >= 21 || reg % 7 > 1) return false;
  where = {reg / 7, reg % 7 == 1};
  return true;
}

uint16_t THardSID::CorrectedFrequency(uint16_t frequency) const {
  const uint32_t f = frequency;
  if (PalFlag == 1) return uint16_t(f - f * kPalFrequencyCut / 65536);
  return uint16_t(std::min<uint32_t>(f + f * kNtscFrequencyRaise / 65536, 0xFFFF));
}

uint16_t THardSID::NextFrequency(uint8_t device, const TFrequencyRegister& where, uint8_t value) {
  uint16_t& written = Chips[device].Voices[where.Voice].Written;
  written = where.High ? uint16_t((value << 8) | (written & 0xFF))
                       : uint16_t((written & 0xFF00) | value);
  return CorrectedFrequency(written);
}

void THardSID::ForgetVoices(int32_t chip) { Chips[chip].Voices = {}; }

bool THardSID::Write(int32_t chip, uint8_t reg, uint32_t cycles, uint8_t value) {
  if (!Library.IsOpen() || !Valid(chip)) return false;
  const uint8_t device = Chips[chip].LibraryDevice;
  if (Classic(chip)) {
    TSidDevice::Write(chip, reg, cycles, value);
    WriteClassic(device, reg, value);
  } else {
    WriteBuffered(device, reg, cycles, value);
  }
  return true;
}

void THardSID::WriteClassic(uint8_t device, uint8_t reg, uint8_t value) {
  TFrequencyRegister where;
  if (C64Clock() && FindFrequencyRegister(reg, where)) {
    WriteClassicFrequency(device, where, value);
  } else {
    Functions.WriteToHardSID(device, reg, value);
  }
}

// Scaling can change the byte the tune did not write; only bytes that differ from what the
// chip holds are sent, the high one first, the low one a C64 cycle later.
void THardSID::WriteClassicFrequency(uint8_t device, const TFrequencyRegister& where,
                                     uint8_t value) {
  TVoiceFrequency& voice = Chips[device].Voices[where.Voice];
  const uint16_t previous = voice.Sent;
  const uint16_t corrected = NextFrequency(device, where, value);
  const uint8_t low = uint8_t(corrected & 0xFF);
  const uint8_t high = uint8_t(corrected >> 8);
  if (!where.High) {
    if (high != previous >> 8) Functions.WriteToHardSID(device, where.HighReg(), high);
    WaitWriteSpacing();
    Functions.WriteToHardSID(device, where.LowReg(), low);
  } else {
    Functions.WriteToHardSID(device, where.HighReg(), high);
    if (low != (previous & 0xFF)) {
      WaitWriteSpacing();
      Functions.WriteToHardSID(device, where.LowReg(), low);
    }
  }
  voice.Sent = corrected;
}

// The fraction carries the part of a cycle that a whole count cannot express, so the buffered
// stream keeps the tune's tempo over any length.
uint32_t THardSID::CorrectCycles(uint32_t cycles) {
  if (PalFlag == 1) {
    Fraction += double(cycles) * kPalCycleStretch;
    if (Fraction >= 1.0) {
      const double whole = std::floor(Fraction);
      cycles += uint32_t(whole);
      Fraction -= whole;
    }
    return cycles;
  }
  Fraction += double(cycles) * kNtscCycleShrink;
  if (Fraction >= 1.0) {
    if (double(cycles) + 1.0 > Fraction) {
      const double whole = std::floor(Fraction);
      cycles -= uint32_t(whole);
      Fraction -= whole;
    } else if (cycles > kMinimumCycles) {
      Fraction -= double(cycles - kMinimumCycles);
      cycles = kMinimumCycles;
    }
  }
  return cycles;
}

uint32_t THardSID::DelayLongStretches(uint8_t device, uint32_t cycles) {
  while (cycles > kLongestDelay) {
    Functions.Delay(device, uint16_t(kLongestDelay));
    cycles -= kLongestDelay;
  }
  return cycles;
}

void THardSID::WriteBuffered(uint8_t device, uint8_t reg, uint32_t cycles, uint8_t value) {
  const bool c64Clock = C64Clock();
  if (c64Clock) cycles = CorrectCycles(cycles);
  cycles = DelayLongStretches(device, std::max(cycles, kMinimumCycles));
  TFrequencyRegister where;
  if (c64Clock && FindFrequencyRegister(reg, where)) {
    WriteBufferedFrequency(device, where, cycles, value);
  } else {
    Functions.Write(device, uint16_t(cycles), reg, value);
  }
}

// When both bytes change they go as a pair, the second four cycles after the first. Stretching
// a short wait to make room for the pair plays those cycles early; the fraction takes them back
// from the following writes.
void THardSID::WriteBufferedFrequency(uint8_t device, const TFrequencyRegister& where,
                                      uint32_t cycles, uint8_t value) {
  TVoiceFrequency& voice = Chips[device].Voices[where.Voice];
  const uint16_t previous = voice.Sent;
  const uint16_t corrected = NextFrequency(device, where, value);
  const uint8_t low = uint8_t(corrected & 0xFF);
  const uint8_t high = uint8_t(corrected >> 8);
  const bool otherChanged = where.High ? low != (previous & 0xFF) : high != previous >> 8;
  if (otherChanged) {
    if (cycles < kFrequencyPairCycles) {
      const uint32_t added = kFrequencyPairCycles - cycles;
      // PAL owes cycles to the stream, NTSC owes cycles taken from it.
      if (PalFlag == 1) {
        Fraction -= double(added) * (1.0 + kPalCycleStretch);
      } else {
        Fraction += double(added) * (1.0 + kNtscCycleShrink);
      }
      cycles = kFrequencyPairCycles;
    }
    Functions.Write(device, uint16_t(cycles - kSecondByteCycles), where.HighReg(), high);
    Functions.Write(device, uint16_t(kSecondByteCycles), where.LowReg(), low);
  } else {
    Functions.Write(device, uint16_t(cycles), where.High ? where.HighReg() : where.LowReg(),
                    where.High ? high : low);
  }
  voice.Sent = corrected;
}

bool THardSID::Read(int32_t chip, uint8_t reg, uint32_t cycles, uint8_t& value) {
  if (!Library.IsOpen() || !Valid(chip)) return false;
  const uint8_t device = Chips[chip].LibraryDevice;
  if (Classic(chip)) {
    TSidDevice::Read(chip, reg, cycles, value);
    value = Functions.ReadFromHardSID(device, reg);
  } else {
    value = Functions.Read(device, uint16_t(DelayLongStretches(device, cycles)), reg);
  }
  return true;
}

void THardSID::PrepareRead(int32_t, uint8_t) {}

void THardSID::SetPal(int32_t, bool pal) { PalFlag = pal ? 1 : 0; }

std::string THardSID::GetName(int32_t chip) const {
  return Valid(chip) ? Chips[chip].Name : std::string();
}

int64_t THardSID::GetLatency(int32_t chip) const { return Valid(chip) ? Chips[chip].Latency : 0; }

// The setup program knows the model of a classic chip; a 4U chip cannot be probed through its
// buffer, so without a recorded model it has none.
std::string THardSID::DetectModel(int32_t chip) {
  if (!Valid(chip)) return std::string();
  platform::TRegistryKey key;
  if (key.Open(kHive, DeviceKey(Chips[chip].LibraryDevice))) {
    std::string recorded = key.ReadString("SIDVer").value_or(std::string());
    if (!recorded.empty()) return recorded;
  }
  return Classic(chip) ? TSidDevice::DetectModel(chip) : std::string();
}

void THardSID::Silence(int32_t chip) {
  if (!Library.IsOpen() || !Valid(chip)) return;
  for (uint8_t reg : {24, 0, 1, 7, 8, 14, 15, 4, 11, 18, 5, 6, 12, 13, 19, 20})
    Write(chip, reg, 0, 0);
  if (Functions.SoftFlush) Functions.SoftFlush(Chips[chip].LibraryDevice);
}

// A kept chip with no chip to keep is not flushed at all: the library has no device 255.
void THardSID::ResetAll(uint8_t flag, int32_t keepChip) {
  if (Valid(keepChip) && Functions.Flush) Functions.Flush(Chips[keepChip].LibraryDevice);
  for (int32_t chip = 0; chip < ChipCount; ++chip) {
    if (chip != keepChip && Classic(chip) && Functions.Flush)
      Functions.Flush(Chips[chip].LibraryDevice);
    ResetDevice(chip, flag);
  }
}

bool THardSID::ResetDevice(int32_t chip, uint8_t flag) {
  Fraction = 0.0;
  if (!Valid(chip)) return false;
  ForgetVoices(chip);
  TSidDevice::ResetDevice(chip, flag);
  if (Library.IsOpen() && Functions.SoftFlush) Functions.SoftFlush(Chips[chip].LibraryDevice);
  return true;
}

void THardSID::ClearBuffer(int32_t chip) {
  Fraction = 0.0;
  if (Valid(chip) && !Classic(chip)) {
    if (Functions.Flush) Functions.Flush(Chips[chip].LibraryDevice);
    return;
  }
  TSidDevice::ClearBuffer(chip);
}

void THardSID::Commit(int32_t chip) {
  if (Valid(chip) && Functions.SoftFlush) Functions.SoftFlush(Chips[chip].LibraryDevice);
}

int32_t THardSID::Delay(int32_t chip, int32_t cycles) {
  if (Valid(chip) && !Classic(chip)) return 1;
  return TSidDevice::Delay(chip, cycles);
}

void THardSID::SetPendingCycles(int32_t, uint32_t) {}

uint32_t THardSID::MinimumCycles(int32_t) const { return kMinimumCycles; }

bool THardSID::HandlesIdleDelay(int32_t chip) const { return Valid(chip) && !Classic(chip); }

int32_t THardSID::ChipFor(int32_t chip, int32_t sid) const {
  const int32_t partner = chip + sid;
  return Valid(chip) && Valid(partner) && Classic(partner) == Classic(chip) ? partner : -1;
}
