#pragma once
// The header facts of the tune record as the properties dialog and the command-line tool word
// them.
#include <string>

#include "tune/TuneRecord.h"

// "$1000 - $1FFF": the memory the C64 data occupies.
std::string LoadRangeText(const TTuneRecord& tune);
// "BASIC", "RUN" for a program started like one, else the address.
std::string InitText(const TTuneRecord& tune);
// The address, or "INIT" when the init routine installs its own interrupt handler.
std::string PlayText(const TTuneRecord& tune);
std::string SidModelText(const TTuneRecord& tune);
// "PAL", "NTSC", "PAL and NTSC" or "Unknown".
std::string ClockText(bool pal, bool ntsc);
// The model of chip 0..2: "MOS 6581", "MOS 8580", "MOS 6581/8580" or "Unknown".
std::string SidChipModelText(const TTuneRecord& tune, int32_t chip);
// Every chip's address and model: "$D400 MOS 8580, $D500 MOS 8580".
std::string SidChipsText(const TTuneRecord& tune);
// Why a chip the header names does not play, empty when every named chip plays.
std::string RefusedSidText(const TTuneRecord& tune);
// "Auto" or the page range a player may be relocated to.
std::string RelocationText(const TTuneRecord& tune);
