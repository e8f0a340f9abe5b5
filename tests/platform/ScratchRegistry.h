#pragma once
// A settings store of one test's own: VEXLOR_REGISTRY points into an empty scratch folder, which
// goes away with everything in it.
#include <stdlib.h>

#include <filesystem>

#include "TestFiles.h"

class TScratchRegistry : public TScratchFolder {
 public:
  TScratchRegistry() { setenv("VEXLOR_REGISTRY", File().c_str(), 1); }
  ~TScratchRegistry() { unsetenv("VEXLOR_REGISTRY"); }

  std::filesystem::path File() const { return Path / "registry.ini"; }
};
