// Song length files of either kind, then lookups of every key-like piece of the input.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "knowledge/SongLength.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (const TSongLengthKey keys : {TSongLengthKey::Fingerprint, TSongLengthKey::WholeFile}) {
    TSongLengthDatabase database;
    database.ReadText(text, keys);
    for (size_t start = 0; start + 32 <= size; start += 37) {
      for (const int song : {-1, 0, 1, 2, 7, 1000}) database.GetSongLength(text.substr(start, 32), song);
    }
  }
  return 0;
}
