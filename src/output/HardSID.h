#pragma once
// THardSID: the SID chips on HardSID cards, reached only through the vendor's shared library,
// which is loaded at run time ($VEXLOR_HARDSID_LIBRARY, else "libhardsid.so" on the search
// path). Without the library the driver simply has no chips.
//
// Classic chips play each register write the moment it arrives, so the base class paces the
// stream in real time. HardSID 4U chips take each write with its cycle count into the
// library's buffer and keep time themselves. The chips run on a 1 MHz clock; with the C64-clock
// setting the driver bends frequencies and cycle counts to the tune's PAL or NTSC clock.
#include <array>
#include <atomic>
#include <cstdint>
#include <string>

#include "output/SidDevice.h"
#include "platform/DynamicLibrary.h"

// The library's exported functions as this program calls them.
using THardSIDWriteDirect = void (*)(uint8_t device, uint8_t reg, uint8_t data);
using THardSIDReadDirect = uint8_t (*)(uint8_t device, uint8_t reg);
using THardSIDCount = uint8_t (*)();
using THardSIDDevice = void (*)(uint8_t device);
using THardSIDSwitch = void (*)(uint8_t device, bool on);
using THardSIDDelay = void (*)(uint8_t device, uint16_t cycles);
using THardSIDRead = uint8_t (*)(uint8_t device, uint16_t cycles, uint8_t reg);
using THardSIDWrite = void (*)(uint8_t device, uint16_t cycles, uint8_t reg, uint8_t data);

// The HardSID clock setting as the running program uses it: true plays at the C64's clock
// (PAL/NTSC correction), false at the chips' own 1 MHz.
inline std::atomic<bool> HardSidC64Clock{false};

class THardSID : public TSidDevice {
 public:
  static constexpr int32_t MaxChips = 16;
  static constexpr const char* LibraryVariable = "VEXLOR_HARDSID_LIBRARY";
  static constexpr const char* DefaultLibrary = "libhardsid.so";

  // Reads the clock setting, loads the library and sets up every chip it reports.
  explicit THardSID(TCounterRead counter = nullptr);
  ~THardSID() override;

  bool Write(int32_t chip, uint8_t reg, uint32_t cycles, uint8_t value) override;
  bool Read(int32_t chip, uint8_t reg, uint32_t cycles, uint8_t& value) override;
  void PrepareRead(int32_t chip, uint8_t reg) override;
  void SetPal(int32_t chip, bool pal) override;
  int32_t Count() const override { return ChipCount; }
  std::string GetName(int32_t chip) const override;
  int64_t GetLatency(int32_t chip) const override;
  std::string DetectModel(int32_t chip) override;
  void Silence(int32_t chip) override;
  void ResetAll(uint8_t flag, int32_t keepChip) override;
  bool ResetDevice(int32_t chip, uint8_t flag) override;
  void ClearBuffer(int32_t chip) override;
  void Commit(int32_t chip) override;
  int32_t Delay(int32_t chip, int32_t cycles) override;
  void SetPendingCycles(int32_t chip, uint32_t cycles) override;
  uint32_t MinimumCycles(int32_t chip) const override;
  int32_t PreferredDevice() const override { return First4U; }
  bool HandlesIdleDelay(int32_t chip) const override;
  bool ReadsBack(int32_t) const override { return true; }

  // True when the library lacks the buffered functions; every chip is then classic.
  bool OldLibrary() const { return Old; }

 private:
  struct TFunctions {
    THardSIDWriteDirect WriteToHardSID = nullptr;
    THardSIDReadDirect ReadFromHardSID = nullptr;
    THardSIDCount GetHardSIDCount = nullptr;
    THardSIDDevice SoftFlush = nullptr;
    THardSIDDelay Delay = nullptr;
    THardSIDCount Devices = nullptr;
    THardSIDSwitch Filter = nullptr;
    THardSIDDevice Flush = nullptr;
    THardSIDSwitch MuteAll = nullptr;
    THardSIDDevice Reset = nullptr;
    THardSIDRead Read = nullptr;
    THardSIDWrite Write = nullptr;
  };
  struct TChip {
    std::string Name;
    std::string Model;
    int64_t Latency = 0;
    uint8_t LibraryDevice = 0;
  };
  // A voice's frequency as the tune wrote it and as it was last sent to the chip.
  struct TVoiceFrequency {
    uint16_t Written = 0;
    uint16_t Sent = 0;
  };
  // Where a frequency register sits: its voice and whether it holds the high byte.
  struct TFrequencyRegister {
    int32_t Voice;
    bool High;
    uint8_t LowReg() const { return uint8_t(Voice * 7); }
    uint8_t HighReg() const { return uint8_t(Voice * 7 + 1); }
  };

  // Finds the voice of a frequency register; false for every other register.
  static bool FindFrequencyRegister(uint8_t reg, TFrequencyRegister& where);
  bool BindLibrary();
  void SetUpChips();
  void SetUpChip(int32_t chip, int32_t& classicNumber, int32_t& bufferedNumber);
  bool Valid(int32_t chip) const { return chip >= 0 && chip < ChipCount; }
  bool Classic(int32_t chip) const { return Old || chip < ClassicChipCount; }
  bool C64Clock() const { return HardSidC64Clock.load(std::memory_order_relaxed); }
  // The frequency the 1 MHz chip needs to sound like the tune's frequency on a C64.
  uint16_t CorrectedFrequency(uint16_t frequency) const;
  // Updates the voice's written frequency with one byte and returns it corrected.
  uint16_t NextFrequency(const TFrequencyRegister& where, uint8_t value);
  void WriteClassic(uint8_t device, uint8_t reg, uint8_t value);
  void WriteClassicFrequency(uint8_t device, const TFrequencyRegister& where, uint8_t value);
  // Stretches or shrinks a buffered write's cycle count to the tune's clock.
  uint32_t CorrectCycles(uint32_t cycles);
  // Sends the whole 65,535-cycle stretches of a long wait ahead and returns the rest.
  uint32_t DelayLongStretches(uint8_t device, uint32_t cycles);
  void WriteBuffered(uint8_t device, uint8_t reg, uint32_t cycles, uint8_t value);
  void WriteBufferedFrequency(uint8_t device, const TFrequencyRegister& where, uint32_t cycles,
                              uint8_t value);
  void ForgetVoices();
  void LimitLibraryDelay();
  void RestoreLibraryDelay();

  int32_t ChipCount = 0;
  int32_t ClassicChipCount = 0;
  double Fraction = 0.0;
  bool Old = false;
  int32_t First4U = -1;
  std::array<TChip, MaxChips> Chips;
  platform::TDynamicLibrary Library;
  int32_t PalFlag = 1;
  std::array<TVoiceFrequency, 3> Voices{};
  TFunctions Functions;
};
