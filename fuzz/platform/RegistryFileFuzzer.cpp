// Any text either fails to parse or survives writing and reading back unchanged.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/RegistryFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::optional<platform::TRegistryTree> tree =
      platform::ParseRegistryText(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!tree) return 0;
  const std::string text = platform::FormatRegistryText(*tree);
  const std::optional<platform::TRegistryTree> again = platform::ParseRegistryText(text);
  if (!again || platform::FormatRegistryText(*again) != text) std::abort();
  return 0;
}
