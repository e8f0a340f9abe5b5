#pragma once
// The header facts of a loaded tune, one "Label: value" line each, worded as the properties
// dialog shows them.
#include <string>

#include "tune/TuneRecord.h"

// "Raster IRQ" or "CIA IRQ" for a song index counted from 0.
std::string TimingText(const TTuneRecord& tune, int songIndex);

// song counted from 1; pal: the video standard the machine runs.
std::string TuneFacts(const std::string& fileName, const TTuneRecord& tune, int song, bool pal);
