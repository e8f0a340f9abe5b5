#include "cli/TuneFacts.h"

#include <cstdint>

#include "tune/Fingerprint.h"
#include "tune/SidLoader.h"
#include "tune/TuneTexts.h"

namespace {

void Line(std::string& text, const char* label, const std::string& value) {
  text += label;
  text += ": ";
  text += value;
  text += '\n';
}

}  // namespace

std::string TimingText(const TTuneRecord& tune, int songIndex) {
  const bool cia = CiaTimed(tune.speed, unsigned(songIndex < 0 ? 0 : songIndex), tune.playSidSpecific);
  return cia ? "CIA IRQ" : "Raster IRQ";
}

std::string TuneFacts(const std::string& fileName, const TTuneRecord& tune, int song, bool pal) {
  std::string text;
  Line(text, "File", fileName);
  Line(text, "Format", tune.fileFormat);
  Line(text, "Magic", tune.magicId);
  Line(text, "Name", tune.name);
  Line(text, "Author", tune.author);
  Line(text, "Released", tune.released);
  Line(text, "Load", LoadRangeText(tune));
  Line(text, "Init", InitText(tune));
  Line(text, "Play", PlayText(tune));
  Line(text, "Songs", std::to_string(tune.songs));
  Line(text, "Start song", std::to_string(tune.startSong));
  Line(text, "Song", std::to_string(song) + " (" + TimingText(tune, song - 1) + ")");
  Line(text, "Speed", DollarHex(tune.speed, 8));
  Line(text, "Clock", ClockText(tune.filePal, tune.fileNtsc));
  Line(text, "Video", pal ? "PAL" : "NTSC");
  Line(text, "SID model", SidModelText(tune));
  Line(text, "SID chips", SidChipsText(tune));
  Line(text, "PlaySID specific", tune.playSidSpecific ? "yes" : "no");
  Line(text, "Data length", std::to_string(tune.dataLength));
  Line(text, "Relocation", RelocationText(tune));
  Line(text, "Fingerprint", tune.md5);
  return text;
}
