#include "knowledge/TextFile.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

bool ReadFileBytes(const std::string& fileName, std::string& bytes, size_t limit) {
  bytes.clear();
  std::ifstream file(fileName, std::ios::binary);
  if (!file) return false;
  std::error_code error;
  const auto size = std::filesystem::file_size(fileName, error);
  if (!error) bytes.reserve(std::min<uintmax_t>(size, limit));
  char chunk[65536];
  while (bytes.size() < limit && file) {
    const size_t want = std::min(sizeof chunk, limit - bytes.size());
    file.read(chunk, std::streamsize(want));
    bytes.append(chunk, size_t(file.gcount()));
  }
  return !file.bad();
}

bool FileExists(const std::string& fileName) {
  std::error_code error;
  return std::filesystem::is_regular_file(fileName, error);
}

bool TLineReader::Next(std::string_view& line) {
  if (Position >= Text.size()) return false;
  const size_t end = Text.find_first_of("\r\n", Position);
  if (end == std::string_view::npos) {
    line = Text.substr(Position);
    Position = Text.size();
    return true;
  }
  line = Text.substr(Position, end - Position);
  Position = end + 1;
  if (Text[end] == '\r' && Position < Text.size() && Text[Position] == '\n') ++Position;
  return true;
}

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

}  // namespace

std::string_view TrimBlanks(std::string_view text) {
  size_t first = 0;
  while (first < text.size() && IsBlank(text[first])) ++first;
  size_t last = text.size();
  while (last > first && IsBlank(text[last - 1])) --last;
  return text.substr(first, last - first);
}

bool IsBlankText(std::string_view text) { return TrimBlanks(text).empty(); }
