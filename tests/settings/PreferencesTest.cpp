#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/Registry.h"
#include "platform/ScratchRegistry.h"
#include "settings/Preferences.h"

namespace {

constexpr char kKey[] = "SOFTWARE\\Vexlor\\";

// Every test starts from a store of its own that does not exist yet.
class PreferencesTest : public ::testing::Test {
 protected:
  static platform::TRegistryKey Key() {
    platform::TRegistryKey key;
    EXPECT_TRUE(key.Create(platform::THive::LocalMachine, kKey));
    return key;
  }

  TScratchRegistry Scratch;
};

struct TTextValue {
  const char* Name;
  std::function<void(TPreferences&, const std::string&)> Set;
  std::function<std::string(const TPreferences&)> Get;
};
struct TIntegerValue {
  const char* Name;
  std::function<void(TPreferences&, int32_t)> Set;
  std::function<int32_t(const TPreferences&)> Get;
  int32_t WhenMissing;
  // A value the field keeps when read back; 0: any distinct number will do.
  int32_t Kept = 0;
};
#define TEXT(name) {#name, &TPreferences::Set##name, &TPreferences::name}
#define INTEGER(name, whenMissing) {#name, &TPreferences::Set##name, &TPreferences::name, whenMissing}
#define RANGED(name, whenMissing, kept) {#name, &TPreferences::Set##name, &TPreferences::name, whenMissing, kept}

const TTextValue kTexts[] = {TEXT(HomeDirectory), TEXT(HVSCDirectory), TEXT(LastDirectory), TEXT(SidIDConfigFile)};
const TIntegerValue kIntegers[] = {
    INTEGER(StartupDirectory, -1), INTEGER(MaxForwardSpeed, 20),  INTEGER(DefaultDevice, -1),
    INTEGER(DefaultUnknownDevice, -1), INTEGER(Default6581Device, -1), INTEGER(Default8580Device, -1),
    INTEGER(FrequencySetting, -1), INTEGER(ForceDualPlayback, 0), INTEGER(HSClockAdjustment, 0),
    INTEGER(Split, -1),            INTEGER(DefaultSize, -1),      INTEGER(Maximized, -1),
    INTEGER(Width, -1),            INTEGER(Height, -1),           INTEGER(Left, -1),
    INTEGER(Top, -1),              RANGED(SidOutputRate, 48000, 96000), RANGED(SidLatency, 50, 120),
    RANGED(Sid6581FilterCurve, 0, 2), RANGED(Sid8580DigiBoost, 0, 1),
};

TEST_F(PreferencesTest, FreshStoreReadsTheDefaults) {
  const TPreferences preferences;
  for (const auto& value : kTexts) EXPECT_EQ(value.Get(preferences), "") << value.Name;
  EXPECT_EQ(preferences.Timer(), "");
  for (const auto& value : kIntegers) EXPECT_EQ(value.Get(preferences), value.WhenMissing) << value.Name;
  EXPECT_FALSE(platform::KeyExists(platform::THive::LocalMachine, kKey)) << "reading creates nothing";
}

TEST_F(PreferencesTest, StoredValuesAndTheirAdjustments) {
  const struct {
    const char* name;
    int32_t stored, expected;
  } cases[] = {
      {"MaxForwardSpeed", 0, 20},    {"MaxForwardSpeed", -7, 20},  {"MaxForwardSpeed", 1, 1},
      {"ForceDualPlayback", -1, 0},  {"ForceDualPlayback", 1, 1},  {"HSClockAdjustment", -1, 0},
      {"HSClockAdjustment", 1, 1},   {"DefaultSize", 0, 0},        {"StartupDirectory", -1, -1},
      // The software SID's values: each accepted value reads back, anything else as the default.
      {"SidOutputRate", 44100, 44100}, {"SidOutputRate", 96000, 96000}, {"SidOutputRate", 22050, 48000},
      {"SidLatency", 20, 20},        {"SidLatency", 500, 500},     {"SidLatency", 19, 50},
      {"SidLatency", 501, 50},       {"Sid6581FilterCurve", 2, 2}, {"Sid6581FilterCurve", 3, 0},
      {"Sid6581FilterCurve", -1, 0}, {"Sid8580DigiBoost", 1, 1},   {"Sid8580DigiBoost", 2, 0},
  };
  for (const auto& c : cases) {
    Key().WriteInteger(c.name, c.stored);
    const auto& value = *std::find_if(std::begin(kIntegers), std::end(kIntegers),
                                      [&](const TIntegerValue& v) { return std::string(v.Name) == c.name; });
    EXPECT_EQ(value.Get(TPreferences()), c.expected) << c.name << " stored as " << c.stored;
  }
  Key().WriteString("Timer", "25");
  Key().WriteString("Split", "250");  // the wrong type reads as missing
  EXPECT_EQ(TPreferences().Timer(), "25");
  EXPECT_EQ(TPreferences().Split(), -1);
}

TEST_F(PreferencesTest, EverySetterWritesItsOwnValue) {
  TPreferences preferences;
  int32_t next = 2;
  for (const auto& value : kTexts) {
    value.Set(preferences, std::string("/home/") + value.Name);
    EXPECT_EQ(value.Get(preferences), std::string("/home/") + value.Name);
    EXPECT_EQ(Key().ReadString(value.Name), std::string("/home/") + value.Name);
  }
  const auto sample = [&next](const TIntegerValue& value) { return value.Kept != 0 ? value.Kept : ++next; };
  for (const auto& value : kIntegers) {
    const int32_t written = sample(value);
    value.Set(preferences, written);
    EXPECT_EQ(value.Get(preferences), written) << value.Name;
    EXPECT_EQ(Key().ReadInteger(value.Name), written) << value.Name;
  }
  // A fresh object reads back what the setters wrote, each from its own value.
  const TPreferences reread;
  for (const auto& value : kTexts) EXPECT_EQ(value.Get(reread), std::string("/home/") + value.Name);
  next = 2;
  for (const auto& value : kIntegers) EXPECT_EQ(value.Get(reread), sample(value)) << value.Name;
}

TEST_F(PreferencesTest, DeletingTheSignatureFileSetting) {
  TPreferences preferences;
  EXPECT_FALSE(preferences.DeleteSidIDConfigFile()) << "no key yet";
  preferences.SetSidIDConfigFile("/opt/sidid.cfg");
  preferences.SetHomeDirectory("/home/user");
  EXPECT_TRUE(preferences.DeleteSidIDConfigFile());
  EXPECT_EQ(preferences.SidIDConfigFile(), "");
  EXPECT_FALSE(preferences.DeleteSidIDConfigFile()) << "already gone";
  EXPECT_EQ(TPreferences().SidIDConfigFile(), "");
  EXPECT_EQ(TPreferences().HomeDirectory(), "/home/user");
}

}  // namespace
