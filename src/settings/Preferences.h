#pragma once
// TPreferences: the user's settings, kept as values of the registry key "SOFTWARE\Vexlor\" in
// the local-machine hive. Creating the object reads every value once; each setter writes its
// value at once and keeps it. Missing values read as an empty text or -1, with the defaults
// below; failures to read or write are not reported.
#include <cstdint>
#include <string>

class TPreferences {
 public:
  TPreferences();

  const std::string& HomeDirectory() const { return FHomeDirectory; }
  // Root of the HVSC collection: its parent folder, "C64Music" or the "DOCUMENTS" folder.
  const std::string& HVSCDirectory() const { return FHVSCDirectory; }
  const std::string& LastDirectory() const { return FLastDirectory; }
  // Empty: $SIDIDCFG, else sidid.cfg beside the program.
  const std::string& SidIDConfigFile() const { return FSidIDConfigFile; }
  const std::string& Timer() const { return FTimer; }
  // 0 last accessed, 1 home directory, anything else the current directory.
  int32_t StartupDirectory() const { return FStartupDirectory; }
  // Fast-forward limit 2..19; 20 (also for a missing value or one below 1) is unlimited.
  int32_t MaxForwardSpeed() const { return FMaxForwardSpeed; }
  int32_t DefaultDevice() const { return FDefaultDevice; }
  // Devices for tunes that declare one model only, or neither or both; -1 keeps the current.
  int32_t Default6581Device() const { return FDefault6581Device; }
  int32_t Default8580Device() const { return FDefault8580Device; }
  // Index into "PAL Default", "PAL Frequency Fixed", "PAL Always", "NTSC Default",
  // "NTSC Frequency Fixed", "NTSC Always".
  int32_t FrequencySetting() const { return FFrequencySetting; }
  int32_t DefaultUnknownDevice() const { return FDefaultUnknownDevice; }
  // Width of the directory panel; -1 is not restored.
  int32_t Split() const { return FSplit; }
  // 1: the Catweasel MK4 plays every write on both sockets. 0 when missing.
  int32_t ForceDualPlayback() const { return FForceDualPlayback; }
  // 1: HardSID chips run at the C64's clock, 0 (also when missing) at 1 MHz.
  int32_t HSClockAdjustment() const { return FHSClockAdjustment; }
  int32_t Top() const { return FTop; }
  int32_t Left() const { return FLeft; }
  int32_t Height() const { return FHeight; }
  int32_t Width() const { return FWidth; }
  int32_t Maximized() const { return FMaximized; }
  // 0 restores the stored window geometry at start-up; 1 or missing starts with the default.
  int32_t DefaultSize() const { return FDefaultSize; }

  // The software SID. A stored value outside its range reads as the default.
  // Sound card rate in Hz: 44100, 48000 (default) or 96000.
  int32_t SidOutputRate() const { return FSidOutputRate; }
  // Sound buffered ahead of the card, 20..500 ms (default 50).
  int32_t SidLatency() const { return FSidLatency; }
  // 6581 filter curve: 0 "Average" (default), 1 "Bright", 2 "Dark".
  int32_t Sid6581FilterCurve() const { return FSid6581FilterCurve; }
  // 1: the 8580 plays volume-register samples ("digi boost"); 0 (default) as the chip does.
  int32_t Sid8580DigiBoost() const { return FSid8580DigiBoost; }

  void SetHomeDirectory(const std::string& value);
  void SetHVSCDirectory(const std::string& value);
  void SetLastDirectory(const std::string& value);
  void SetSidIDConfigFile(const std::string& value);
  void SetStartupDirectory(int32_t value);
  void SetMaxForwardSpeed(int32_t value);
  void SetDefaultDevice(int32_t value);
  void SetDefaultUnknownDevice(int32_t value);
  void SetDefault6581Device(int32_t value);
  void SetDefault8580Device(int32_t value);
  void SetFrequencySetting(int32_t value);
  void SetForceDualPlayback(int32_t value);
  void SetHSClockAdjustment(int32_t value);
  void SetSplit(int32_t value);
  void SetDefaultSize(int32_t value);
  void SetMaximized(int32_t value);
  void SetWidth(int32_t value);
  void SetHeight(int32_t value);
  void SetLeft(int32_t value);
  void SetTop(int32_t value);
  void SetSidOutputRate(int32_t value);
  void SetSidLatency(int32_t value);
  void SetSid6581FilterCurve(int32_t value);
  void SetSid8580DigiBoost(int32_t value);

  // Removes the SidIDConfigFile value so that the fallbacks apply; false when it could not.
  bool DeleteSidIDConfigFile();

 private:
  void Write(const char* name, const std::string& value, std::string& field);
  void Write(const char* name, int32_t value, int32_t& field);

  std::string FHomeDirectory;
  std::string FHVSCDirectory;
  std::string FLastDirectory;
  std::string FSidIDConfigFile;
  std::string FTimer;
  int32_t FStartupDirectory;
  int32_t FMaxForwardSpeed;
  int32_t FDefaultDevice;
  int32_t FDefault6581Device;
  int32_t FDefault8580Device;
  int32_t FFrequencySetting;
  int32_t FDefaultUnknownDevice;
  int32_t FSplit;
  int32_t FForceDualPlayback;
  int32_t FHSClockAdjustment;
  int32_t FTop;
  int32_t FLeft;
  int32_t FHeight;
  int32_t FWidth;
  int32_t FMaximized;
  int32_t FDefaultSize;
  int32_t FSidOutputRate;
  int32_t FSidLatency;
  int32_t FSid6581FilterCurve;
  int32_t FSid8580DigiBoost;
};
