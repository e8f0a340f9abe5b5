#include "tune/TuneTexts.h"

#include <cstdint>

#include "tune/SidLoader.h"

namespace {

std::string ChoiceText(bool first, bool second, const char* firstText, const char* secondText,
                       const char* both) {
  if (first && second) return both;
  if (first) return firstText;
  if (second) return secondText;
  return "Unknown";
}

}  // namespace

std::string LoadRangeText(const TTuneRecord& tune) {
  return DollarHex(uint32_t(tune.loadAddress), 4) + " - " +
         DollarHex(uint32_t(tune.loadAddress + tune.dataLength - 1), 4);
}

std::string InitText(const TTuneRecord& tune) {
  if (tune.basicTune) return "BASIC";
  if (tune.initAddress == 0 && tune.programFile) return "RUN";
  return DollarHex(uint32_t(tune.initAddress), 4);
}

std::string PlayText(const TTuneRecord& tune) {
  return tune.playAddress != 0 ? DollarHex(uint32_t(tune.playAddress), 4) : "INIT";
}

std::string SidModelText(const TTuneRecord& tune) {
  return ChoiceText(tune.sid6581, tune.sid8580, "MOS 6581", "MOS 8580", "MOS 6581/8580");
}

std::string ClockText(bool pal, bool ntsc) {
  return ChoiceText(pal, ntsc, "PAL", "NTSC", "PAL and NTSC");
}

std::string RelocationText(const TTuneRecord& tune) {
  if (tune.relocStartPage == 0 || tune.relocStartPage >= 255) return "Auto";
  return DollarHex(uint32_t(tune.relocStartPage), 2) + "00 - " +
         DollarHex(uint32_t((tune.relocStartPage + tune.relocPages) * 256 - 1), 4);
}

std::string SidChipsText(const TTuneRecord& tune) {
  std::string text;
  for (int32_t chip = 0; chip < tune.SidChips(); ++chip) {
    const int32_t bits = tune.SidModelBits(chip);
    if (chip > 0) text += ", ";
    text += DollarHex(uint32_t(tune.SidAddress(chip)), 4) + " " +
            ChoiceText((bits & 1) != 0, (bits & 2) != 0, "6581", "8580", "6581/8580");
  }
  return text;
}

std::string RefusedSidText(const TTuneRecord& tune) {
  std::string text;
  for (const auto& [address, which] : {std::pair{tune.refusedSecondSid, "second"}, std::pair{tune.refusedThirdSid, "third"}}) {
    if (address == 0) continue;
    if (!text.empty()) text += " ";
    text += std::string("No ") + which + " SID at " + DollarHex(uint32_t(address), 4) + ": not a valid address.";
  }
  return text;
}
