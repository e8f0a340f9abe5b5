#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/Registry.h"
#include "settings/Preferences.h"

namespace {

constexpr char kKey[] = "SOFTWARE\\Vexlor\\";

// Every test starts from a store of its own that does not exist yet.
class PreferencesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "vexlor-settings-XXXXXX").string();
    Folder = mkdtemp(pattern.data());
    setenv("VEXLOR_REGISTRY", (Folder / "registry.ini").c_str(), 1);
  }
  void TearDown() override {
    unsetenv("VEXLOR_REGISTRY");
    std::filesystem::remove_all(Folder);
  }
  static platform::TRegistryKey Key() {
    platform::TRegistryKey key;
    EXPECT_TRUE(key.Create(platform::THive::LocalMachine, kKey));
    return key;
  }

  std::filesystem::path Folder;
};

TEST_F(PreferencesTest, FreshStoreReadsTheDefaults) {
  const TPreferences preferences;
  for (const std::string& text : {preferences.HomeDirectory(), preferences.HVSCDirectory(),
                                  preferences.LastDirectory(), preferences.SidIDConfigFile(), preferences.Timer()}) {
    EXPECT_EQ(text, "");
  }
  EXPECT_EQ(preferences.MaxForwardSpeed(), 20);
  EXPECT_EQ(preferences.ForceDualPlayback(), 0);
  EXPECT_EQ(preferences.HSClockAdjustment(), 0);
  for (const int32_t value :
       {preferences.StartupDirectory(), preferences.DefaultDevice(), preferences.Default6581Device(),
        preferences.Default8580Device(), preferences.FrequencySetting(), preferences.DefaultUnknownDevice(),
        preferences.Split(), preferences.Top(), preferences.Left(), preferences.Height(), preferences.Width(),
        preferences.Maximized(), preferences.DefaultSize()}) {
    EXPECT_EQ(value, -1);
  }
  EXPECT_FALSE(platform::KeyExists(platform::THive::LocalMachine, kKey)) << "reading creates nothing";
}

TEST_F(PreferencesTest, StoredValuesAndTheirAdjustments) {
  const struct {
    const char* name;
    int32_t stored;
    std::function<int32_t(const TPreferences&)> read;
    int32_t expected;
  } cases[] = {
      {"MaxForwardSpeed", 0, &TPreferences::MaxForwardSpeed, 20},
      {"MaxForwardSpeed", -7, &TPreferences::MaxForwardSpeed, 20},
      {"MaxForwardSpeed", 1, &TPreferences::MaxForwardSpeed, 1},
      {"MaxForwardSpeed", 12, &TPreferences::MaxForwardSpeed, 12},
      {"ForceDualPlayback", -1, &TPreferences::ForceDualPlayback, 0},
      {"ForceDualPlayback", 1, &TPreferences::ForceDualPlayback, 1},
      {"HSClockAdjustment", -1, &TPreferences::HSClockAdjustment, 0},
      {"HSClockAdjustment", 1, &TPreferences::HSClockAdjustment, 1},
      {"DefaultSize", 0, &TPreferences::DefaultSize, 0},
      {"StartupDirectory", -1, &TPreferences::StartupDirectory, -1},
  };
  for (const auto& c : cases) {
    Key().WriteInteger(c.name, c.stored);
    EXPECT_EQ(c.read(TPreferences()), c.expected) << c.name << " stored as " << c.stored;
  }
  Key().WriteString("Timer", "25");
  Key().WriteString("Split", "250");  // the wrong type reads as missing
  const TPreferences preferences;
  EXPECT_EQ(preferences.Timer(), "25");
  EXPECT_EQ(preferences.Split(), -1);
}

TEST_F(PreferencesTest, EverySetterWritesItsOwnValue) {
  using TText = std::pair<void (TPreferences::*)(const std::string&), const std::string& (TPreferences::*)() const>;
  const struct {
    const char* name;
    TText accessors;
  } texts[] = {
      {"HomeDirectory", {&TPreferences::SetHomeDirectory, &TPreferences::HomeDirectory}},
      {"HVSCDirectory", {&TPreferences::SetHVSCDirectory, &TPreferences::HVSCDirectory}},
      {"LastDirectory", {&TPreferences::SetLastDirectory, &TPreferences::LastDirectory}},
      {"SidIDConfigFile", {&TPreferences::SetSidIDConfigFile, &TPreferences::SidIDConfigFile}},
  };
  using TInteger = std::pair<void (TPreferences::*)(int32_t), int32_t (TPreferences::*)() const>;
  const struct {
    const char* name;
    TInteger accessors;
  } integers[] = {
      {"StartupDirectory", {&TPreferences::SetStartupDirectory, &TPreferences::StartupDirectory}},
      {"MaxForwardSpeed", {&TPreferences::SetMaxForwardSpeed, &TPreferences::MaxForwardSpeed}},
      {"DefaultDevice", {&TPreferences::SetDefaultDevice, &TPreferences::DefaultDevice}},
      {"DefaultUnknownDevice", {&TPreferences::SetDefaultUnknownDevice, &TPreferences::DefaultUnknownDevice}},
      {"Default6581Device", {&TPreferences::SetDefault6581Device, &TPreferences::Default6581Device}},
      {"Default8580Device", {&TPreferences::SetDefault8580Device, &TPreferences::Default8580Device}},
      {"FrequencySetting", {&TPreferences::SetFrequencySetting, &TPreferences::FrequencySetting}},
      {"ForceDualPlayback", {&TPreferences::SetForceDualPlayback, &TPreferences::ForceDualPlayback}},
      {"HSClockAdjustment", {&TPreferences::SetHSClockAdjustment, &TPreferences::HSClockAdjustment}},
      {"Split", {&TPreferences::SetSplit, &TPreferences::Split}},
      {"DefaultSize", {&TPreferences::SetDefaultSize, &TPreferences::DefaultSize}},
      {"Maximized", {&TPreferences::SetMaximized, &TPreferences::Maximized}},
      {"Width", {&TPreferences::SetWidth, &TPreferences::Width}},
      {"Height", {&TPreferences::SetHeight, &TPreferences::Height}},
      {"Left", {&TPreferences::SetLeft, &TPreferences::Left}},
      {"Top", {&TPreferences::SetTop, &TPreferences::Top}},
  };
  TPreferences preferences;
  int32_t next = 2;
  for (const auto& [name, accessors] : texts) {
    const std::string value = std::string("/home/user/") + name;
    (preferences.*accessors.first)(value);
    EXPECT_EQ((preferences.*accessors.second)(), value) << name;
    EXPECT_EQ(Key().ReadString(name), value) << name;
  }
  for (const auto& [name, accessors] : integers) {
    (preferences.*accessors.first)(++next);
    EXPECT_EQ((preferences.*accessors.second)(), next) << name;
    EXPECT_EQ(Key().ReadInteger(name), next) << name;
  }
  // A fresh object reads back what the setters wrote, each from its own value.
  const TPreferences reread;
  for (const auto& [name, accessors] : texts) {
    EXPECT_EQ((reread.*accessors.second)(), std::string("/home/user/") + name) << name;
  }
  next = 2;
  for (const auto& [name, accessors] : integers) EXPECT_EQ((reread.*accessors.second)(), ++next) << name;
}

TEST_F(PreferencesTest, DeletingTheSignatureFileSetting) {
  TPreferences preferences;
  EXPECT_FALSE(preferences.DeleteSidIDConfigFile()) << "no key yet";
  preferences.SetSidIDConfigFile("/opt/sidid.cfg");
  preferences.SetHomeDirectory("/home/user");
  EXPECT_TRUE(preferences.DeleteSidIDConfigFile());
  EXPECT_EQ(preferences.SidIDConfigFile(), "");
  EXPECT_FALSE(preferences.DeleteSidIDConfigFile()) << "already gone";
  const TPreferences reread;
  EXPECT_EQ(reread.SidIDConfigFile(), "");
  EXPECT_EQ(reread.HomeDirectory(), "/home/user");
}

}  // namespace
