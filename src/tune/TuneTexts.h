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
// Every chip's address and model: "$D400 8580, $D500 6581"; a chip of unknown model counts as
// the first chip's.
std::string SidChipsText(const TTuneRecord& tune);
// Why a chip the header names does not play, empty when every named chip plays.
std::string RefusedSidText(const TTuneRecord& tune);
// "Auto" or the page range a player may be relocated to.
std::string RelocationText(const TTuneRecord& tune);
