#include "cli/KnowledgeReport.h"

#include <filesystem>

#include "knowledge/SongLength.h"
#include "knowledge/Stil.h"

namespace {

// The STIL keys a file by its path inside the collection, so both sides need the same spelling.
std::string AbsolutePath(const std::string& path) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  return error ? path : absolute.lexically_normal().string();
}

// The text was prepared for a window: CR LF breaks and "&" doubled against accelerators.
std::string ForTerminal(const std::string& text) {
  std::string plain;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (text[i] == '&' && i + 1 < text.size() && text[i + 1] == '&') ++i;
    plain += text[i];
  }
  return plain;
}


// The key the database files the tune under.
std::string SongLengthKey(const TSongLengthDatabase& database, const std::string& fileName, const TTuneRecord& tune) {
  return database.Keys() == TSongLengthKey::WholeFile ? WholeFileMd5(fileName) : tune.md5;
}

}  // namespace

std::optional<double> SongSeconds(const std::string& hvscDirectory, const std::string& fileName,
                                  const TTuneRecord& tune, int song) {
  TSongLengthDatabase database;
  if (!database.Load(hvscDirectory)) return std::nullopt;
  return SongLengthSeconds(database.GetSongLength(SongLengthKey(database, fileName, tune), song));
}

std::string SongLengthLines(const std::string& hvscDirectory, const std::string& fileName,
                            const TTuneRecord& tune) {
  TSongLengthDatabase database;
  if (!database.Load(hvscDirectory)) return "Song lengths: no song length file found\n";
  const std::string key = SongLengthKey(database, fileName, tune);
  std::string lines;
  for (int song = 1; song <= tune.songs; ++song) {
    const std::string length = database.GetSongLength(key, song);
    lines += "Length " + std::to_string(song) + ": " + (length.empty() ? "unknown" : length) + "\n";
  }
  return lines;
}

std::string StilLines(const std::string& hvscDirectory, const std::string& fileName) {
  TStilDatabase database;
  if (!database.Load(AbsolutePath(hvscDirectory))) return "STIL: no STIL.txt found\n";
  const std::string text = ForTerminal(database.GetStilText(AbsolutePath(fileName), false));
  if (text.empty()) return "STIL: none\n";
  return "STIL:\n" + text + (text.back() == '\n' ? "" : "\n");
}

std::string PlayerLine(const std::string& label, const std::vector<std::string>& players) {
  std::string line = label + ":";
  if (players.empty()) line += " none";
  for (size_t i = 0; i < players.size(); ++i) line += (i ? ", " : " ") + players[i];
  return line + "\n";
}
