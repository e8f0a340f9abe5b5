#pragma once
// Files the tests use: the shared external test data, read in place (a test skips with a message
// when it is absent), and scratch folders of a test's own under the temporary folder.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

inline std::string TestData(std::string_view relative) { return std::string(VEXLOR_TESTDATA) + "/" + std::string(relative); }

// A tune of the test data's HVSC folder, by its path in the collection.
inline std::filesystem::path CorpusTune(std::string_view hvscPath) {
  return TestData("tunes/C64Music/" + std::string(hvscPath));
}

#define SKIP_WITHOUT(path) \
  if (!std::filesystem::exists(path)) GTEST_SKIP() << "test data not found: " << (path)

inline std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A folder of its own, removed with everything in it.
class TScratchFolder {
 public:
  TScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vexlor-test-XXXXXX").string();
    Path = mkdtemp(pattern.data()) ? pattern : "";
  }
  ~TScratchFolder() {
    std::error_code ignored;
    std::filesystem::permissions(Path, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(Path, ignored);
  }
  TScratchFolder(const TScratchFolder&) = delete;
  TScratchFolder& operator=(const TScratchFolder&) = delete;

  std::string operator/(const std::string& relative) const { return (Path / relative).string(); }
  // Writes the file (and its folders) and gives back its path.
  std::string Write(const std::string& relative, std::string_view contents) const {
    std::filesystem::create_directories((Path / relative).parent_path());
    std::ofstream(Path / relative, std::ios::binary).write(contents.data(), std::streamsize(contents.size()));
    return *this / relative;
  }
  std::string Write(const std::string& relative, const std::vector<uint8_t>& bytes) const {
    return Write(relative, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  }
  void Link(const std::string& relative, const std::string& target) const {
    std::filesystem::create_directories((Path / relative).parent_path());
    std::filesystem::create_symlink(target, Path / relative);
  }

  std::filesystem::path Path;
};

// The rows of the tune corpus's INDEX.tsv (header facts, fingerprints, song lengths), each a map
// from column name to text.
inline std::vector<std::map<std::string, std::string>> TuneIndex() {
  std::ifstream file(TestData("tunes/INDEX.tsv"));
  std::vector<std::string> columns;
  std::vector<std::map<std::string, std::string>> rows;
  for (std::string line; std::getline(file, line);) {
    std::stringstream cells(line);
    std::vector<std::string> values;
    for (std::string cell; std::getline(cells, cell, '\t');) values.push_back(cell);
    if (columns.empty()) {
      columns = values;
      continue;
    }
    auto& row = rows.emplace_back();
    for (size_t i = 0; i < values.size() && i < columns.size(); ++i) row[columns[i]] = values[i];
  }
  return rows;
}

inline std::vector<std::string> SplitAtBlanks(const std::string& text) {
  std::stringstream stream(text);
  std::vector<std::string> words;
  for (std::string word; stream >> word;) words.push_back(word);
  return words;
}
