#include "cli/TuneFacts.h"

#include <cstdint>

#include "tune/SidLoader.h"

namespace {

std::string LoadRange(const TTuneRecord& tune) {
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

std::string RelocationText(const TTuneRecord& tune) {
  if (tune.relocStartPage == 0 || tune.relocStartPage >= 255) return "Auto";
  return DollarHex(uint32_t(tune.relocStartPage), 2) + "00 - " +
         DollarHex(uint32_t((tune.relocStartPage + tune.relocPages) * 256 - 1), 4);
}

// PlaySID-specific tunes reuse the 32 bits cyclically; others give every song from the 32nd on
// the last bit.
bool SongUsesCia(const TTuneRecord& tune, int songIndex) {
  const int bit = tune.playSidSpecific ? songIndex % 32 : (songIndex < 31 ? songIndex : 31);
  return (tune.speed >> bit) & 1;
}

void Line(std::string& text, const char* label, const std::string& value) {
  text += label;
  text += ": ";
  text += value;
  text += '\n';
}

}  // namespace

std::string SidModelText(const TTuneRecord& tune) {
  if (tune.sid6581 && tune.sid8580) return "MOS 6581/8580";
  if (tune.sid6581) return "MOS 6581";
  if (tune.sid8580) return "MOS 8580";
  return "Unknown";
}

std::string ClockText(bool pal, bool ntsc) {
  if (pal && ntsc) return "PAL and NTSC";
  if (pal) return "PAL";
  if (ntsc) return "NTSC";
  return "Unknown";
}

std::string TimingText(const TTuneRecord& tune, int songIndex) {
  return SongUsesCia(tune, songIndex) ? "CIA IRQ" : "Raster IRQ";
}

std::string TuneFacts(const std::string& fileName, const TTuneRecord& tune, int song, bool pal) {
  std::string text;
  Line(text, "File", fileName);
  Line(text, "Format", tune.fileFormat);
  Line(text, "Magic", tune.magicId);
  Line(text, "Name", tune.name);
  Line(text, "Author", tune.author);
  Line(text, "Released", tune.released);
  Line(text, "Load", LoadRange(tune));
  Line(text, "Init", InitText(tune));
  Line(text, "Play", PlayText(tune));
  Line(text, "Songs", std::to_string(tune.songs));
  Line(text, "Start song", std::to_string(tune.startSong));
  Line(text, "Song", std::to_string(song) + " (" + TimingText(tune, song - 1) + ")");
  Line(text, "Speed", DollarHex(tune.speed, 8));
  Line(text, "Clock", ClockText(tune.filePal, tune.fileNtsc));
  Line(text, "Video", pal ? "PAL" : "NTSC");
  Line(text, "SID model", SidModelText(tune));
  Line(text, "PlaySID specific", tune.playSidSpecific ? "yes" : "no");
  Line(text, "Data length", std::to_string(tune.dataLength));
  Line(text, "Relocation", RelocationText(tune));
  Line(text, "Fingerprint", tune.md5);
  return text;
}
