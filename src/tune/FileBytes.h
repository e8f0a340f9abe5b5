#pragma once
// A tune file held in memory. Reads past its end give zero bytes, so a truncated header parses
// as if padded and nothing is ever read beyond what the file holds.
#include <cstddef>
#include <cstdint>
#include <span>

class TFileBytes {
 public:
  explicit TFileBytes(std::span<const uint8_t> bytes) : Bytes(bytes) {}

  size_t Size() const { return Bytes.size(); }
  uint8_t Byte(size_t offset) const { return offset < Bytes.size() ? Bytes[offset] : 0; }
  uint16_t WordBigEndian(size_t offset) const { return uint16_t(Byte(offset) << 8 | Byte(offset + 1)); }
  uint16_t WordLittleEndian(size_t offset) const { return uint16_t(Byte(offset + 1) << 8 | Byte(offset)); }
  uint32_t LongBigEndian(size_t offset) const {
    return uint32_t(WordBigEndian(offset)) << 16 | WordBigEndian(offset + 2);
  }
  // The bytes from offset to the end of the file; empty when offset lies at or past the end.
  std::span<const uint8_t> From(size_t offset) const {
    return offset < Bytes.size() ? Bytes.subspan(offset) : std::span<const uint8_t>();
  }

 private:
  std::span<const uint8_t> Bytes;
};
