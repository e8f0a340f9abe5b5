// vexlor-dump: runs a C64 tune headless and prints what the SID card would receive.
#include <cstdio>
#include <string_view>
#include <vector>

#include "cli/DumpCommand.h"

int main(int argc, char** argv) {
  const std::vector<std::string_view> arguments(argv + 1, argv + argc);
  const TParsedOptions parsed = ParseDumpOptions(arguments);
  if (!parsed.Options) {
    const std::string_view usage = DumpUsage();
    std::fprintf(stderr, "vexlor-dump: %s\n%.*s", parsed.Error.c_str(), int(usage.size()), usage.data());
    return ExitUsage;
  }
  return RunDump(*parsed.Options, stdout, stderr);
}
