#pragma once
// The HVSC song length database: the playing time of every song of every tune of the
// collection, keyed by an MD5 of the tune. Songlengths.txt keys a tune by its fingerprint
// (the tune record's md5); newer releases ship only Songlengths.md5, keyed by the MD5 of the
// whole tune file and with lengths in milliseconds. Both answer with "m:ss" texts.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "knowledge/HashedStringList.h"

enum class TSongLengthKey {
  Fingerprint,  // Songlengths.txt
  WholeFile,    // Songlengths.md5
};

class TSongLengthDatabase {
 public:
  // Empties the database and reads Songlengths.txt found from the HVSC directory setting, or,
  // when no such file exists, Songlengths.md5. False when neither was found.
  bool Load(const std::string& hvscDirectory);
  // Adds the entries of a song length file's text.
  void ReadText(std::string_view text, TSongLengthKey keys);
  void Clear();

  // The length text of a song (1-based) of the tune with that key; empty when it is unknown.
  // Songs past the last give the last length, songs below 1 the first.
  std::string GetSongLength(std::string_view key, int song) const;
  TSongLengthKey Keys() const { return KeyKind; }
  int Count() const { return List.Count(); }

 private:
  THashedStringList List;
  TSongLengthKey KeyKind = TSongLengthKey::Fingerprint;
};

// The MD5 of a whole file, as Songlengths.md5 keys a tune; empty when the file cannot be read.
std::string WholeFileMd5(const uint8_t* bytes, size_t size);
std::string WholeFileMd5(const std::string& fileName);

// A length as the database writes it ("3:25" or "3:25.123") in seconds; nothing for other text.
std::optional<double> SongLengthSeconds(std::string_view text);

// The process-wide database.
TSongLengthDatabase& SongLengths();
void LoadSongLengths(const std::string& hvscDirectory);
// Looks up a tune by the key the loaded file uses: the fingerprint for Songlengths.txt, the
// whole file's MD5 (read from fileName) for Songlengths.md5.
std::string GetSongLength(const std::string& fingerprint, const std::string& fileName, int song);
