#pragma once
// Shared pieces of the knowledge tests: the external test data and scratch folders.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

inline std::string TestData(const std::string& relative) {
  return std::string(VEXLOR_TESTDATA) + "/" + relative;
}

#define SKIP_WITHOUT_TESTDATA(relative)                                                   \
  if (!std::filesystem::exists(TestData(relative)))                                       \
  GTEST_SKIP() << "test data " << TestData(relative) << " is absent"

// A folder of its own under the system's temporary folder, removed with everything in it.
class TScratchFolder {
 public:
  TScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vexlor-knowledge-XXXXXX").string();
    Path = mkdtemp(pattern.data());
  }
  ~TScratchFolder() {
    std::error_code error;
    std::filesystem::remove_all(Path, error);
  }
  std::string operator/(const std::string& relative) const { return (Path / relative).string(); }

  std::string Write(const std::string& relative, const std::string& contents) const {
    const std::filesystem::path file = Path / relative;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << contents;
    return file.string();
  }
  void Link(const std::string& relative, const std::string& target) const {
    const std::filesystem::path link = Path / relative;
    std::filesystem::create_directories(link.parent_path());
    std::filesystem::create_symlink(target, link);
  }

  std::filesystem::path Path;
};

// The rows of tunes/INDEX.tsv, each a map from column name to text.
inline std::vector<std::map<std::string, std::string>> TuneIndex() {
  std::ifstream file(TestData("tunes/INDEX.tsv"));
  std::vector<std::map<std::string, std::string>> rows;
  std::vector<std::string> columns;
  for (std::string line; std::getline(file, line);) {
    std::vector<std::string> cells;
    std::stringstream cellStream(line);
    for (std::string cell; std::getline(cellStream, cell, '\t');) cells.push_back(cell);
    if (columns.empty()) {
      columns = cells;
      continue;
    }
    std::map<std::string, std::string> row;
    for (size_t i = 0; i < cells.size() && i < columns.size(); ++i) row[columns[i]] = cells[i];
    rows.push_back(row);
  }
  return rows;
}

inline std::vector<std::string> SplitAtBlanks(const std::string& text) {
  std::vector<std::string> words;
  std::stringstream stream(text);
  for (std::string word; stream >> word;) words.push_back(word);
  return words;
}
