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
  std::string text = "$D400";
  if (tune.SidChips() == 1) return text;
  for (const int32_t address : {tune.secondSidAddress, tune.thirdSidAddress})
    if (address != 0) text += ", " + DollarHex(uint32_t(address), 4);
  return text + " (only the first plays)";
}
