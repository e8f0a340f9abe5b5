#pragma once
// A settings store of one test's own: VEXLOR_REGISTRY points into an empty folder under the
// temporary folder, which goes away with everything in it.
#include <stdlib.h>

#include <filesystem>
#include <string>

class TScratchRegistry {
 public:
  TScratchRegistry() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vexlor-registry-XXXXXX").string();
    Folder = mkdtemp(pattern.data()) ? pattern : "";
    setenv("VEXLOR_REGISTRY", File().c_str(), 1);
  }
  ~TScratchRegistry() {
    unsetenv("VEXLOR_REGISTRY");
    std::error_code ignored;
    std::filesystem::permissions(Folder, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(Folder, ignored);
  }
  TScratchRegistry(const TScratchRegistry&) = delete;
  TScratchRegistry& operator=(const TScratchRegistry&) = delete;

  std::filesystem::path File() const { return Folder / "registry.ini"; }

  std::filesystem::path Folder;
};
