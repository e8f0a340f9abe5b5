#pragma once
// Shared pieces of the knowledge tests: the external test data and scratch folders.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

inline std::string TestData(const std::string& relative) { return std::string(VEXLOR_TESTDATA) + "/" + relative; }

#define SKIP_WITHOUT_TESTDATA(relative) \
  if (!std::filesystem::exists(TestData(relative))) GTEST_SKIP() << TestData(relative) << " is absent"

// A folder of its own under the temporary folder, removed with everything in it.
class TScratchFolder {
 public:
  TScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vexlor-knowledge-XXXXXX").string();
    Path = mkdtemp(pattern.data());
  }
  ~TScratchFolder() { std::filesystem::remove_all(Path); }
  std::string operator/(const std::string& relative) const { return (Path / relative).string(); }
  std::string Write(const std::string& relative, const std::string& contents) const {
    std::filesystem::create_directories((Path / relative).parent_path());
    std::ofstream(Path / relative, std::ios::binary) << contents;
    return *this / relative;
  }
  void Link(const std::string& relative, const std::string& target) const {
    std::filesystem::create_directories((Path / relative).parent_path());
    std::filesystem::create_symlink(target, Path / relative);
  }

  std::filesystem::path Path;
};

// The rows of tunes/INDEX.tsv, each a map from column name to text.
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
