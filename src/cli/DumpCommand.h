#pragma once
// vexlor-dump as a function: what main does after the command line has been read.
#include <cstdio>

#include "cli/DumpOptions.h"

enum TDumpExit : int {
  ExitDone = 0,
  ExitNotLoaded = 1,
  ExitUsage = 2,
  ExitNeedsBasicRom = 3,
  ExitRawLimit = 4,
};

int RunDump(const TDumpOptions& options, std::FILE* out, std::FILE* err);
