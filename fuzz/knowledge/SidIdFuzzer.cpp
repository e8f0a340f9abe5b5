// A signature file and the bytes to scan, separated by the first zero byte of the input.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "knowledge/SidId.h"

namespace {

// An exactly sized copy, so a read past the scanned bytes is caught.
void MatchHead(const TSignatureHolder& holder, const std::vector<uint8_t>& bytes, size_t length) {
  const std::vector<uint8_t> head(bytes.begin(), bytes.begin() + long(length));
  holder.Matches(head.data(), head.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const uint8_t* separator = std::find(data, data + size, uint8_t(0));
  TSignatureList list;
  list.ReadText(std::string_view(reinterpret_cast<const char*>(data), size_t(separator - data)));

  const std::vector<uint8_t> scanned(separator == data + size ? separator : separator + 1, data + size);
  const size_t shortHeads = std::min<size_t>(scanned.size(), 64);
  for (const auto& item : list.Entries()) {
    for (size_t length = 0; length <= shortHeads; ++length) MatchHead(*item.Holder, scanned, length);
    item.Holder->Matches(scanned.data(), scanned.size());
  }
  if (scanned.empty()) return 0;
  std::vector<uint8_t> memory(65536, 0xEA);
  std::copy_n(scanned.begin(), std::min<size_t>(scanned.size(), memory.size()), memory.begin());
  TSidId(list).ScanMemory(memory.data());
  return 0;
}
