#include "settings/Preferences.h"

#include "platform/Registry.h"

namespace {

constexpr platform::THive kHive = platform::THive::LocalMachine;
constexpr char kKey[] = "SOFTWARE\\Vexlor\\";
constexpr int32_t kUnlimitedForwardSpeed = 20;
constexpr int32_t kDefaultSidOutputRate = 48000;
constexpr int32_t kDefaultSidLatency = 50;
constexpr int32_t kMinimumSidLatency = 20;
constexpr int32_t kMaximumSidLatency = 500;

// Reads from a key that may not exist; the object starts from the defaults then.
class TSettingsReader {
 public:
  TSettingsReader() { Key.Open(kHive, kKey); }
  std::string Text(const char* name) const {
    return Key.IsOpen() ? Key.ReadString(name).value_or(std::string()) : std::string();
  }
  int32_t Integer(const char* name) const { return Key.IsOpen() ? Key.ReadInteger(name).value_or(-1) : -1; }
  int32_t InRange(const char* name, int32_t low, int32_t high, int32_t fallback) const {
    const int32_t value = Integer(name);
    return value >= low && value <= high ? value : fallback;
  }

 private:
  platform::TRegistryKey Key;
};

}  // namespace

TPreferences::TPreferences() {
  const TSettingsReader reader;
  FHomeDirectory = reader.Text("HomeDirectory");
  FHVSCDirectory = reader.Text("HVSCDirectory");
  FLastDirectory = reader.Text("LastDirectory");
  FSidIDConfigFile = reader.Text("SidIDConfigFile");
  FTimer = reader.Text("Timer");
  FStartupDirectory = reader.Integer("StartupDirectory");
  FMaxForwardSpeed = reader.Integer("MaxForwardSpeed");
  if (FMaxForwardSpeed < 1) FMaxForwardSpeed = kUnlimitedForwardSpeed;
  FDefaultDevice = reader.Integer("DefaultDevice");
  FDefaultUnknownDevice = reader.Integer("DefaultUnknownDevice");
  FDefault6581Device = reader.Integer("Default6581Device");
  FDefault8580Device = reader.Integer("Default8580Device");
  FFrequencySetting = reader.Integer("FrequencySetting");
  FForceDualPlayback = reader.Integer("ForceDualPlayback");
  if (FForceDualPlayback == -1) FForceDualPlayback = 0;
  FHSClockAdjustment = reader.Integer("HSClockAdjustment");
  if (FHSClockAdjustment == -1) FHSClockAdjustment = 0;
  FTop = reader.Integer("Top");
  FLeft = reader.Integer("Left");
  FHeight = reader.Integer("Height");
  FWidth = reader.Integer("Width");
  FMaximized = reader.Integer("Maximized");
  FDefaultSize = reader.Integer("DefaultSize");
  FSplit = reader.Integer("Split");
  FSidOutputRate = reader.Integer("SidOutputRate");
  if (FSidOutputRate != 44100 && FSidOutputRate != 96000) FSidOutputRate = kDefaultSidOutputRate;
  FSidLatency = reader.InRange("SidLatency", kMinimumSidLatency, kMaximumSidLatency, kDefaultSidLatency);
  FSid6581FilterCurve = reader.InRange("Sid6581FilterCurve", 0, 2, 0);
  FSid8580DigiBoost = reader.InRange("Sid8580DigiBoost", 0, 1, 0);
}

void TPreferences::Write(const char* name, const std::string& value, std::string& field) {
  platform::TRegistryKey key;
  if (key.Create(kHive, kKey)) key.WriteString(name, value);
  field = value;
}

void TPreferences::Write(const char* name, int32_t value, int32_t& field) {
  platform::TRegistryKey key;
  if (key.Create(kHive, kKey)) key.WriteInteger(name, value);
  field = value;
}

void TPreferences::SetHomeDirectory(const std::string& value) { Write("HomeDirectory", value, FHomeDirectory); }
void TPreferences::SetHVSCDirectory(const std::string& value) { Write("HVSCDirectory", value, FHVSCDirectory); }
void TPreferences::SetLastDirectory(const std::string& value) { Write("LastDirectory", value, FLastDirectory); }
void TPreferences::SetSidIDConfigFile(const std::string& value) {
  Write("SidIDConfigFile", value, FSidIDConfigFile);
}
void TPreferences::SetStartupDirectory(int32_t value) { Write("StartupDirectory", value, FStartupDirectory); }
void TPreferences::SetMaxForwardSpeed(int32_t value) { Write("MaxForwardSpeed", value, FMaxForwardSpeed); }
void TPreferences::SetDefaultDevice(int32_t value) { Write("DefaultDevice", value, FDefaultDevice); }
void TPreferences::SetDefaultUnknownDevice(int32_t value) {
  Write("DefaultUnknownDevice", value, FDefaultUnknownDevice);
}
void TPreferences::SetDefault6581Device(int32_t value) { Write("Default6581Device", value, FDefault6581Device); }
void TPreferences::SetDefault8580Device(int32_t value) { Write("Default8580Device", value, FDefault8580Device); }
void TPreferences::SetFrequencySetting(int32_t value) { Write("FrequencySetting", value, FFrequencySetting); }
void TPreferences::SetForceDualPlayback(int32_t value) { Write("ForceDualPlayback", value, FForceDualPlayback); }
void TPreferences::SetHSClockAdjustment(int32_t value) { Write("HSClockAdjustment", value, FHSClockAdjustment); }
void TPreferences::SetSplit(int32_t value) { Write("Split", value, FSplit); }
void TPreferences::SetDefaultSize(int32_t value) { Write("DefaultSize", value, FDefaultSize); }
void TPreferences::SetMaximized(int32_t value) { Write("Maximized", value, FMaximized); }
void TPreferences::SetWidth(int32_t value) { Write("Width", value, FWidth); }
void TPreferences::SetHeight(int32_t value) { Write("Height", value, FHeight); }
void TPreferences::SetLeft(int32_t value) { Write("Left", value, FLeft); }
void TPreferences::SetTop(int32_t value) { Write("Top", value, FTop); }
void TPreferences::SetSidOutputRate(int32_t value) { Write("SidOutputRate", value, FSidOutputRate); }
void TPreferences::SetSidLatency(int32_t value) { Write("SidLatency", value, FSidLatency); }
void TPreferences::SetSid6581FilterCurve(int32_t value) {
  Write("Sid6581FilterCurve", value, FSid6581FilterCurve);
}
void TPreferences::SetSid8580DigiBoost(int32_t value) { Write("Sid8580DigiBoost", value, FSid8580DigiBoost); }

bool TPreferences::DeleteSidIDConfigFile() {
  platform::TRegistryKey key;
  if (!key.Open(kHive, kKey) || !key.DeleteValue("SidIDConfigFile")) return false;
  FSidIDConfigFile.clear();
  return true;
}
