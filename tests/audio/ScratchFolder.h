#pragma once
// An empty folder of one test's own under the temporary folder, removed with its contents.
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

class TScratchFolder {
 public:
  TScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vexlor-audio-XXXXXX").string();
    Path = mkdtemp(pattern.data()) ? pattern : "";
  }
  ~TScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(Path, ignored);
  }
  TScratchFolder(const TScratchFolder&) = delete;
  TScratchFolder& operator=(const TScratchFolder&) = delete;

  std::string operator/(const std::string& name) const { return (Path / name).string(); }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(Path)) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }

  std::filesystem::path Path;
};
