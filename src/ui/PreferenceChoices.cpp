#include "ui/PreferenceChoices.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "knowledge/SidId.h"
#include "knowledge/SongLength.h"
#include "knowledge/Stil.h"
#include "knowledge/TextFile.h"
#include "settings/Preferences.h"
#include "ui/SidFileAssociation.h"

namespace {

constexpr int32_t StartupDirectoryEntries = 3;
constexpr int32_t FrequencySettingEntries = 6;
constexpr int32_t UnlimitedForwardSpeed = 20;

std::string Trimmed(const std::string& text) { return std::string(TrimBlanks(text)); }

bool IsDirectory(const std::filesystem::path& path) {
  std::error_code failed;
  return std::filesystem::is_directory(path, failed);
}

std::string SidIdEnvironment() {
  const char* value = std::getenv("SIDIDCFG");
  return value ? value : "";
}

// A stored index outside the list shows the list's first entry.
int32_t ListIndex(int32_t stored, int32_t entries) { return stored >= 0 && stored < entries ? stored : 0; }

}  // namespace

bool TPreferenceChoices::ValidHvscDirectory(const std::string& folder) {
  const std::string trimmed = Trimmed(folder);
  if (trimmed.empty()) return true;
  const std::filesystem::path root(trimmed);
  if (!IsDirectory(root)) return false;
  return FileExists((root / "hv_sids.txt").string()) || IsDirectory(root / "DOCUMENTS") ||
         IsDirectory(root / "C64Music" / "DOCUMENTS");
}

TPreferenceChoices TPreferenceChoices::Read(const TPreferences& settings, int32_t deviceCount,
                                            const TSidFileAssociation& sidFiles) {
  TPreferenceChoices choices;
  choices.HomeDirectory = settings.HomeDirectory();
  choices.HvscDirectory = settings.HVSCDirectory();
  choices.SidIdConfigFile = settings.SidIDConfigFile().empty() ? SidIdEnvironment() : settings.SidIDConfigFile();
  // Any stored value past the list's entries also means the current directory.
  choices.StartupDirectory = std::clamp(settings.StartupDirectory(), 0, StartupDirectoryEntries - 1);
  choices.DefaultDevice = deviceCount > 0 ? ListIndex(settings.DefaultDevice(), deviceCount) : -1;
  choices.DefaultUnknownDevice = ListIndex(settings.DefaultUnknownDevice() + 1, deviceCount + 1);
  choices.Default6581Device = ListIndex(settings.Default6581Device() + 1, deviceCount + 1);
  choices.Default8580Device = ListIndex(settings.Default8580Device() + 1, deviceCount + 1);
  choices.FrequencySetting = ListIndex(settings.FrequencySetting(), FrequencySettingEntries);
  const int32_t limit = settings.MaxForwardSpeed();
  // A limit of 1 (no fast forward at all) is not on the list; the slowest entry comes closest.
  choices.MaxForwardSpeed = limit < 0 || limit > FastestForwardLimit
                                ? UnlimitedForwardEntry
                                : std::max(limit, SlowestForwardLimit) - SlowestForwardLimit;
  choices.DefaultSize = settings.DefaultSize() != 0;
  choices.ClockFrequency = settings.HSClockAdjustment() == 1 ? 0 : 1;
  choices.Mk4StereoOutput = settings.ForceDualPlayback() == 1 ? 1 : 0;
  const auto rate = std::find(SidOutputRates.begin(), SidOutputRates.end(), settings.SidOutputRate());
  choices.SidOutputRate = rate == SidOutputRates.end() ? 1 : int32_t(rate - SidOutputRates.begin());
  choices.SidLatency = settings.SidLatency();
  choices.Sid6581FilterCurve = settings.Sid6581FilterCurve();
  choices.Sid8580DigiBoost = settings.Sid8580DigiBoost() == 1;
  choices.RegisterAsDefault = sidFiles.Available() && sidFiles.SidFilesRegistered();
  return choices;
}

std::optional<TSaveProblem> TPreferenceChoices::Save(TPreferences& settings, const TSidFileAssociation& sidFiles) const {
  const std::string home = Trimmed(HomeDirectory);
  if (!home.empty() && !IsDirectory(home)) return TSaveProblem{TPreferenceEdit::HomeDirectory, "Home Directory doesn't exist."};
  if (!ValidHvscDirectory(HvscDirectory))
    return TSaveProblem{TPreferenceEdit::HvscDirectory, "HVSC Directory doesn't exist."};
  settings.SetHomeDirectory(HomeDirectory);
  settings.SetStartupDirectory(StartupDirectory);
  settings.SetHVSCDirectory(HvscDirectory);
  // A file name that only repeats $SIDIDCFG is left to the variable.
  if (SidIdConfigFile != SidIdEnvironment()) {
    const std::string file = Trimmed(SidIdConfigFile);
    if (file.empty()) {
      settings.DeleteSidIDConfigFile();
    } else if (!FileExists(file)) {
      return TSaveProblem{TPreferenceEdit::SidIdConfigFile,
                          "Sid ID Config File doesn't exist. Enter a config file or leave the entry blank."};
    } else {
      settings.SetSidIDConfigFile(SidIdConfigFile);
      ReloadSignatures();
    }
  }
  settings.SetMaxForwardSpeed(MaxForwardSpeed >= UnlimitedForwardEntry ? UnlimitedForwardSpeed
                                                                       : MaxForwardSpeed + SlowestForwardLimit);
  settings.SetDefaultDevice(DefaultDevice);
  settings.SetDefaultUnknownDevice(DefaultUnknownDevice - 1);
  settings.SetDefault6581Device(Default6581Device - 1);
  settings.SetDefault8580Device(Default8580Device - 1);
  settings.SetFrequencySetting(FrequencySetting);
  settings.SetForceDualPlayback(Mk4StereoOutput);
  settings.SetHSClockAdjustment(1 - ClockFrequency);
  settings.SetDefaultSize(DefaultSize ? 1 : 0);
  settings.SetSidOutputRate(SidOutputRates[size_t(std::clamp(SidOutputRate, 0, int32_t(SidOutputRates.size()) - 1))]);
  settings.SetSidLatency(std::clamp(SidLatency, ShortestSidLatency, LongestSidLatency));
  settings.SetSid6581FilterCurve(Sid6581FilterCurve);
  settings.SetSid8580DigiBoost(Sid8580DigiBoost ? 1 : 0);
  if (sidFiles.Available()) {
    if (RegisterAsDefault) {
      sidFiles.RegisterSidFiles();
    } else {
      sidFiles.UnregisterSidFiles();
    }
  }
  LoadStil(HvscDirectory);
  LoadSongLengths(HvscDirectory);
  return std::nullopt;
}
