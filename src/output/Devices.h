#pragma once
// Every SID chip of every driver in one numbered list. The rest of the program addresses a chip
// only by its index here; each operation is forwarded to the chip's driver with its number
// within that driver. An index outside the list does nothing and answers a neutral value.
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "output/SidDevice.h"

// One kind of driver in the order of enumeration.
struct TDriverKind {
  std::function<std::unique_ptr<TSidDevice>()> Create;
  // Listed only when the kind enumerated just before it found no chip (a card family whose
  // older driver would reach the same chips a second time).
  bool OnlyWithoutPrevious = false;
};

// The drivers this program has, in the order their chips are listed.
std::vector<TDriverKind> InstalledDriverKinds();

class TDevices {
 public:
  static constexpr int32_t MaxDrivers = 25;
  static constexpr int32_t MaxChips = 25;

  TDevices();
  explicit TDevices(const std::vector<TDriverKind>& kinds);
  ~TDevices();
  TDevices(const TDevices&) = delete;
  TDevices& operator=(const TDevices&) = delete;

  int32_t Count() const { return ChipCount; }
  // The list index of the chip the drivers recommend, −1 when none.
  int32_t PreferredDevice() const { return Preferred; }

  bool Write(int32_t index, uint8_t reg, uint32_t cycles, uint8_t value);
  bool Read(int32_t index, uint8_t reg, uint32_t cycles, uint8_t& value);
  void PrepareRead(int32_t index, uint8_t reg);
  void SetPal(int32_t index, bool pal);
  std::string GetName(int32_t index) const;
  void Silence(int32_t index);
  void ClearBuffer(int32_t index);
  void Commit(int32_t index);
  int32_t Delay(int32_t index, int32_t cycles);
  uint32_t MinimumCycles(int32_t index) const;
  double SecondsPerCycle(int32_t index) const;
  bool HandlesIdleDelay(int32_t index) const;
  // The list indices that play a tune's SIDs 0..sids−1 while index plays the first: the chips
  // its driver names. False when the driver has too few.
  bool ChipGroup(int32_t index, int32_t sids, std::array<int32_t, 3>& group) const;
  void UseChips(int32_t index, const TTuneSids& sids);
  bool ReadsBack(int32_t index) const;
  // Readies every chip for a playback on the chip at index; false, with the reason, when that
  // one cannot be heard.
  bool StartOutput(int32_t index, std::string& error);
  // Counter ticks from a write to the moment it is heard.
  int64_t GetLatency(int32_t index) const;
  // Tells every chip whether fast forward runs.
  void SetFastForward(bool fastForward);
  bool EmulatedModel(int32_t index, TSidModel& model) const;
  // The first chip in software that plays the model, −1 when none is listed.
  int32_t EmulatedDevice(TSidModel model) const;
  // True when a chip on a card is listed.
  bool HasHardware() const;
  void SetPendingCycles(int32_t index, uint32_t cycles);
  void SetClock(int32_t index, TClockMode mode);
  void LockClock(int32_t index, TClockMode mode);
  void UnlockClock(int32_t index);
  TClockMode ClockMode(int32_t index) const;
  void SetPriority(int32_t index, int32_t priorityClass);
  // Resets every chip (keeping the buffered sound of the chip at keepIndex, −1 none) and gives
  // the cards among them 300 ms to settle.
  void ResetAll(uint8_t flag, int32_t keepIndex);

 private:
  void Enumerate(const std::vector<TDriverKind>& kinds);
  // The driver of a list index and the chip's number within it; nullptr for a bad index.
  TSidDevice* Driver(int32_t index, int32_t& chip) const;
  // The list index of a driver's chip, −1 when it is not listed.
  int32_t ListIndex(int32_t slot, int32_t chip) const;

  std::array<std::unique_ptr<TSidDevice>, MaxDrivers> Drivers;
  std::array<int32_t, MaxChips> DriverSlot{};
  std::array<int32_t, MaxChips> ChipNumber{};
  int32_t ChipCount = 0;
  int32_t Preferred = -1;
};
