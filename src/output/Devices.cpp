#include "output/Devices.h"

#include "output/CatweaselMK3.h"
#include "output/CatweaselMK4.h"
#include "output/DeviceHost.h"
#include "output/EmulatedSid.h"
#include "output/HardSID.h"

namespace {

// Time the chips get after a reset before the next tune writes to them.
constexpr uint32_t SettleMs = 300;

}  // namespace

std::vector<TDriverKind> InstalledDriverKinds() {
  return {
      {[] { return std::make_unique<THardSID>(); }},
      {[] { return std::make_unique<TCatweaselMK4>(); }},
      // An MK4 driver also reaches the chips the MK3 driver would find.
      {[] { return std::make_unique<TCatweaselMK3>(); }, true},
      // The software chips come after every card, so a card is always the first choice.
      {[] { return std::make_unique<TEmulatedSid>(); }},
  };
}

TDevices::TDevices() : TDevices(InstalledDriverKinds()) {}

TDevices::TDevices(const std::vector<TDriverKind>& kinds) { Enumerate(kinds); }

TDevices::~TDevices() {
  ResetAll(1, 0);
  for (int32_t index = 0; index < ChipCount; ++index) Silence(index);
}

// Drivers without chips are dropped at once, so the slots hold only drivers that serve the
// list; chips beyond the list's capacity are not listed.
void TDevices::Enumerate(const std::vector<TDriverKind>& kinds) {
  int32_t slot = 0;
  bool previousFound = false;
  for (const TDriverKind& kind : kinds) {
    if (slot >= MaxDrivers) break;
    if (kind.OnlyWithoutPrevious && previousFound) {
      previousFound = false;
      continue;
    }
    std::unique_ptr<TSidDevice> driver = kind.Create ? kind.Create() : nullptr;
    const int32_t chips = driver ? driver->Count() : 0;
    previousFound = chips > 0;
    if (chips <= 0 || ChipCount >= MaxChips) continue;
    const int32_t first = ChipCount;
    for (int32_t chip = 0; chip < chips && ChipCount < MaxChips; ++chip) {
      DriverSlot[ChipCount] = slot;
      ChipNumber[ChipCount] = chip;
      ++ChipCount;
    }
    // The driver names one of its own chips; the list needs that chip's place among all.
    const int32_t preferredChip = driver->PreferredDevice();
    if (Preferred == -1 && preferredChip >= 0 && first + preferredChip < ChipCount)
      Preferred = first + preferredChip;
    Drivers[slot++] = std::move(driver);
  }
}

TSidDevice* TDevices::Driver(int32_t index, int32_t& chip) const {
  if (index < 0 || index >= ChipCount) return nullptr;
  chip = ChipNumber[index];
  return Drivers[DriverSlot[index]].get();
}

bool TDevices::Write(int32_t index, uint8_t reg, uint32_t cycles, uint8_t value) {
  int32_t chip = 0;
  TSidDevice* driver = Driver(index, chip);
  return driver && driver->Write(chip, reg, cycles, value);
}

bool TDevices::Read(int32_t index, uint8_t reg, uint32_t cycles, uint8_t& value) {
  int32_t chip = 0;
  TSidDevice* driver = Driver(index, chip);
  return driver && driver->Read(chip, reg, cycles, value);
}

void TDevices::PrepareRead(int32_t index, uint8_t reg) {
  int32_t chip = 0;
  if (TSidDevice* driver = Driver(index, chip)) driver->PrepareRead(chip, reg);
}

void TDevices::SetPal(int32_t index, bool pal) {
  int32_t chip = 0;
  if (TSidDevice* driver = Driver(index, chip)) driver->SetPal(chip, pal);
}

std::string TDevices::GetName(int32_t index) const {
  int32_t chip = 0;
  const TSidDevice* driver = Driver(index, chip);
  return driver ? driver->GetName(chip) : std::string();
}

void TDevices::Silence(int32_t index) {
  int32_t chip = 0;
  if (TSidDevice* driver = Driver(index, chip)) driver->Silence(chip);
}

void TDevices::ClearBuffer(int32_t index) {
  int32_t chip = 0;
  if (TSidDevice* driver = Driver(index, chip)) driver->ClearBuffer(chip);
}

void TDevices::Commit(int32_t index) {
  int32_t chip = 0;
  if (TSidDevice* driver = Driver(index, chip)) driver->Commit(chip);
}

int32_t TDevices::Delay(int32_t index, int32_t cycles) {
  int32_t chip = 0;
  TSidDevice* driver = Driver(index, chip);
  return driver ? driver->Delay(chip, cycles) : 0;
}

uint32_t TDevices::MinimumCycles(int32_t index) const {
  int32_t chip = 0;
  const TSidDevice* driver = Driver(index, chip);
  return driver ? driver->MinimumCycles(chip) : 1;
}

double TDevices::SecondsPerCycle(int32_t index) const {
  int32_t chip = 0;
  const TSidDevice* driver = Driver(index, chip);
  return driver ? driver->SecondsPerCycle(chip) : 0.0;
}

bool TDevices::HandlesIdleDelay(int32_t index) const {
  int32_t chip = 0;
  const TSidDevice* driver = Driver(index, chip);
  return driver && driver->HandlesIdleDelay(chip);
}

bool TDevices::ChipGroup(int32_t index, int32_t sids, std::array<int32_t, 3>& group) const {
  int32_t chip = 0;
  const TSidDevice* driver = Driver(index, chip);
  if (!driver || sids < 1 || sids > int32_t(group.size())) return false;
  for (int32_t sid = 0; sid < sids; ++sid) {
    const int32_t partner = driver->ChipFor(chip, sid);
    if (partner < 0) return false;
    group[size_t(sid)] = ListIndex(DriverSlot[size_t(index)], partner);
    if (group[size_t(sid)] < 0) return false;
  }
  return true;
}

int32_t TDevices::ListIndex(int32_t slot, int32_t chip) const {
  for (int32_t index = 0; index < ChipCount; ++index)
    if (DriverSlot[size_t(index)] == slot && ChipNumber[size_t(index)] == chip) return index;
  return -1;
}

void TDevices::UseChips(int32_t index, const TTuneSids& sids) {
  int32_t chip = 0;
  if (TSidDevice* driver = Driver(index, chip)) driver->UseChips(chip, sids);
}

bool TDevices::ReadsBack(int32_t index) const {
  int32_t chip = 0;
  const TSidDevice* driver = Driver(index, chip);
  return driver && driver->ReadsBack(chip);
}

// Every driver gets ready, so that a switch during the playback finds its chip ready too; only
// the chosen chip's failure stops the start.
bool TDevices::StartOutput(int32_t index, std::string& error) {
  int32_t chosenChip = 0;
  const TSidDevice* chosen = Driver(index, chosenChip);
  bool ready = true;
  for (const std::unique_ptr<TSidDevice>& driver : Drivers) {
    if (!driver) break;
    std::string reason;
    const bool started = driver->StartOutput(driver.get() == chosen ? chosenChip : 0, reason);
    if (driver.get() == chosen && !started) {
      ready = false;
      error = reason;
    }
  }
  return ready;
}

int64_t TDevices::GetLatency(int32_t index) const {
  int32_t chip = 0;
  const TSidDevice* driver = Driver(index, chip);
  return driver ? driver->GetLatency(chip) : 0;
}

void TDevices::SetFastForward(bool fastForward) {
  for (int32_t index = 0; index < ChipCount; ++index) {
    int32_t chip = 0;
    Driver(index, chip)->SetFastForward(chip, fastForward);
  }
}

bool TDevices::EmulatedModel(int32_t index, TSidModel& model) const {
  int32_t chip = 0;
  const TSidDevice* driver = Driver(index, chip);
  return driver && driver->EmulatedModel(chip, model);
}

int32_t TDevices::EmulatedDevice(TSidModel model) const {
  for (int32_t index = 0; index < ChipCount; ++index) {
    TSidModel played;
    if (EmulatedModel(index, played) && played == model) return index;
  }
  return -1;
}

bool TDevices::HasHardware() const {
  for (int32_t index = 0; index < ChipCount; ++index) {
    TSidModel played;
    if (!EmulatedModel(index, played)) return true;
  }
  return false;
}

void TDevices::SetPendingCycles(int32_t index, uint32_t cycles) {
  int32_t chip = 0;
  if (TSidDevice* driver = Driver(index, chip)) driver->SetPendingCycles(chip, cycles);
}

void TDevices::SetClock(int32_t index, TClockMode mode) {
  int32_t chip = 0;
  if (TSidDevice* driver = Driver(index, chip)) driver->SetClock(chip, mode);
}

void TDevices::LockClock(int32_t index, TClockMode mode) {
  int32_t chip = 0;
  if (TSidDevice* driver = Driver(index, chip)) driver->LockClock(chip, mode);
}

void TDevices::UnlockClock(int32_t index) {
  int32_t chip = 0;
  if (TSidDevice* driver = Driver(index, chip)) driver->UnlockClock(chip);
}

TClockMode TDevices::ClockMode(int32_t index) const {
  int32_t chip = 0;
  const TSidDevice* driver = Driver(index, chip);
  return driver ? driver->ClockMode() : TClockMode::Pal;
}

void TDevices::SetPriority(int32_t index, int32_t priorityClass) {
  int32_t chip = 0;
  if (TSidDevice* driver = Driver(index, chip)) driver->SetPriority(chip, priorityClass);
}

void TDevices::ResetAll(uint8_t flag, int32_t keepIndex) {
  if (!Drivers[0]) return;
  int32_t keepChip = -1;
  const TSidDevice* keepDriver = Driver(keepIndex, keepChip);
  for (const std::unique_ptr<TSidDevice>& driver : Drivers) {
    if (!driver) break;
    driver->ResetAll(flag, driver.get() == keepDriver ? keepChip : -1);
  }
  // A chip in software is settled the moment it is reset.
  if (HasHardware()) WaitProcessingMessages(SettleMs);
}
