#pragma once
// Reading the knowledge files: whole files into memory, then line by line. HVSC documents come
// with CR LF line ends in the release archives and with LF in other copies; both are accepted,
// and so is a lone CR.
#include <cstddef>
#include <string>
#include <string_view>

// Reads at most limit bytes of the file; false when it cannot be opened or read.
bool ReadFileBytes(const std::string& fileName, std::string& bytes, size_t limit = std::string::npos);

bool FileExists(const std::string& fileName);

// Hands out the lines of a text one at a time, without their line ends.
class TLineReader {
 public:
  explicit TLineReader(std::string_view text) : Text(text) {}
  bool Next(std::string_view& line);

 private:
  std::string_view Text;
  size_t Position = 0;
};

// Blank here means a space or any control character, as the file formats treat them alike.
std::string_view TrimBlanks(std::string_view text);
bool IsBlankText(std::string_view text);
