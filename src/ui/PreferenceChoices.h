#pragma once
// The preferences dialog's controls as plain values: read from the settings when the dialog
// opens, checked and written back by Save. Lists are held as the index of their selected entry.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

class TPreferences;
struct TSidFileAssociation;

// The edit that a refused Save puts the focus on.
enum class TPreferenceEdit { HomeDirectory, HvscDirectory, SidIdConfigFile };

struct TSaveProblem {
  TPreferenceEdit Edit;
  std::string Message;
};

class TPreferenceChoices {
 public:
  // "Maximum Forward Speed" lists these limits and then "Unlimited!".
  static constexpr int32_t SlowestForwardLimit = 2;
  static constexpr int32_t FastestForwardLimit = 19;
  static constexpr int32_t UnlimitedForwardEntry = FastestForwardLimit - SlowestForwardLimit + 1;
  static constexpr std::array<int32_t, 3> SidOutputRates{44100, 48000, 96000};
  static constexpr int32_t ShortestSidLatency = 20;
  static constexpr int32_t LongestSidLatency = 500;

  // deviceCount: the entries of the device lists, which follow "<Current Device>" in the three
  // lists per SID model.
  static TPreferenceChoices Read(const TPreferences& settings, int32_t deviceCount,
                                 const TSidFileAssociation& sidFiles);

  // Save: the checks in order, each refusing with its message; values written before a refusal
  // stay written. Then every setting and the ".sid" association are written, and the
  // signatures, STIL texts and song lengths are loaded again.
  std::optional<TSaveProblem> Save(TPreferences& settings, const TSidFileAssociation& sidFiles) const;

  // An empty folder passes; otherwise it must exist and hold hv_sids.txt, DOCUMENTS or
  // C64Music/DOCUMENTS.
  static bool ValidHvscDirectory(const std::string& folder);

  // "General": the edits.
  std::string HomeDirectory;
  std::string HvscDirectory;
  // The SidIDConfigFile setting, else $SIDIDCFG.
  std::string SidIdConfigFile;
  // "General": the lists and the check box.
  int32_t StartupDirectory = 0;
  int32_t DefaultDevice = -1;
  int32_t DefaultUnknownDevice = 0;
  int32_t Default6581Device = 0;
  int32_t Default8580Device = 0;
  int32_t FrequencySetting = 0;
  int32_t MaxForwardSpeed = UnlimitedForwardEntry;
  bool DefaultSize = true;
  // "HardSID": 0 "C64 (PAL / NTSC clock)", 1 "HardSID (1Mhz clock)".
  int32_t ClockFrequency = 1;
  // "Catweasel": 0 "False", 1 "True".
  int32_t Mk4StereoOutput = 0;
  // "Emulated SID".
  int32_t SidOutputRate = 1;
  int32_t SidLatency = 50;
  int32_t Sid6581FilterCurve = 0;
  bool Sid8580DigiBoost = false;
  // "Register as default application".
  bool RegisterAsDefault = false;
};
