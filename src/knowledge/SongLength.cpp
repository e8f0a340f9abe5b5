#include "knowledge/SongLength.h"

#include <fstream>

#include "knowledge/HvscDocuments.h"
#include "knowledge/Md5.h"
#include "knowledge/TextFile.h"

namespace {

constexpr size_t kFingerprintLength = 32;

bool IsLowerHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }

void LowerAscii(std::string& text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  }
}

bool IsDecimalDigit(char c) { return c >= '0' && c <= '9'; }

// "3:25.123" becomes "3:25": the newer file counts milliseconds, the display shows seconds.
std::string DropFractions(const std::string& line) {
  std::string result;
  result.reserve(line.size());
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '.' && i + 1 < line.size() && IsDecimalDigit(line[i + 1])) {
      while (i + 1 < line.size() && IsDecimalDigit(line[i + 1])) ++i;
    } else {
      result += line[i];
    }
  }
  return result;
}

}  // namespace

std::optional<double> SongLengthSeconds(std::string_view text) {
  const size_t colon = text.find(':');
  if (colon == 0 || colon == std::string_view::npos) return std::nullopt;
  double minutes = 0, seconds = 0, fraction = 0, scale = 1;
  for (size_t i = 0; i < colon; ++i) {
    if (!IsDecimalDigit(text[i])) return std::nullopt;
    minutes = minutes * 10 + (text[i] - '0');
  }
  size_t i = colon + 1;
  const size_t secondsStart = i;
  for (; i < text.size() && IsDecimalDigit(text[i]); ++i) seconds = seconds * 10 + (text[i] - '0');
  if (i - secondsStart != 2) return std::nullopt;
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && IsDecimalDigit(text[i]); ++i) fraction += (text[i] - '0') * (scale /= 10);
  }
  if (i != text.size()) return std::nullopt;
  return minutes * 60 + seconds + fraction;
}

void TSongLengthDatabase::Clear() {
  List.Clear();
  KeyKind = TSongLengthKey::Fingerprint;
}

bool TSongLengthDatabase::Load(const std::string& hvscDirectory) {
  Clear();
  TSongLengthKey keys = TSongLengthKey::Fingerprint;
  auto document = FindHvscDocument(hvscDirectory, "Songlengths.txt");
  if (!document) {
    keys = TSongLengthKey::WholeFile;
    document = FindHvscDocument(hvscDirectory, "Songlengths.md5");
  }
  std::string text;
  if (!document || !ReadFileBytes(document->Path, text)) return false;
  ReadText(text, keys);
  return true;
}

void TSongLengthDatabase::ReadText(std::string_view text, TSongLengthKey keys) {
  KeyKind = keys;
  TLineReader lines(text);
  std::string_view read;
  while (lines.Next(read)) {
    // Every data line holds a fingerprint and more; this drops bare keys and short comments.
    if (read.size() <= kFingerprintLength) continue;
    std::string line(read);
    LowerAscii(line);
    // Section headers ("[Database]") and comments ("; /path") start with other characters.
    if (!IsLowerHexDigit(line[0])) continue;
    List.Add(keys == TSongLengthKey::WholeFile ? DropFractions(line) : line);
  }
}

std::string TSongLengthDatabase::GetSongLength(std::string_view key, int song) const {
  const int index = List.IndexOf(key);
  if (index < 0) return std::string();
  std::string_view lengths = List.Value(index);
  size_t blank = lengths.find(' ');
  for (int i = 1; i < song && blank != std::string_view::npos; ++i) {
    lengths.remove_prefix(blank + 1);
    blank = lengths.find(' ');
  }
  lengths = lengths.substr(0, blank);
  // Drop an attribute mark such as "(G)".
  lengths = lengths.substr(0, lengths.find('('));
  return std::string(lengths);
}

std::string WholeFileMd5(const uint8_t* bytes, size_t size) {
  TMd5Stream md5;
  md5.Write(bytes, size);
  return md5.DigestText();
}

std::string WholeFileMd5(const std::string& fileName) {
  std::ifstream file(fileName, std::ios::binary);
  if (!file) return std::string();
  TMd5Stream md5;
  char chunk[65536];
  while (file) {
    file.read(chunk, sizeof chunk);
    md5.Write(chunk, size_t(file.gcount()));
  }
  return file.bad() ? std::string() : md5.DigestText();
}

TSongLengthDatabase& SongLengths() {
  static TSongLengthDatabase database;
  return database;
}

void LoadSongLengths(const std::string& hvscDirectory) { SongLengths().Load(hvscDirectory); }

std::string GetSongLength(const std::string& fingerprint, const std::string& fileName, int song) {
  const TSongLengthDatabase& database = SongLengths();
  if (database.Count() == 0) return std::string();
  if (database.Keys() == TSongLengthKey::Fingerprint) return database.GetSongLength(fingerprint, song);
  return database.GetSongLength(WholeFileMd5(fileName), song);
}
