#pragma once
// What the HVSC documents and the player signatures say about a tune, as printable lines.
#include <optional>
#include <string>
#include <vector>

#include "tune/TuneRecord.h"

// "Length N: m:ss" for every song, from the song length database found from hvscDirectory.
std::string SongLengthLines(const std::string& hvscDirectory, const std::string& fileName,
                            const TTuneRecord& tune);
// The length of one song (counted from 1) in seconds, when the database knows it.
std::optional<double> SongSeconds(const std::string& hvscDirectory, const std::string& fileName,
                                  const TTuneRecord& tune, int song);
// The STIL, global comment and bug list text of the file, every section included.
std::string StilLines(const std::string& hvscDirectory, const std::string& fileName);

// "label: name, name" (or "label: none").
std::string PlayerLine(const std::string& label, const std::vector<std::string>& players);
