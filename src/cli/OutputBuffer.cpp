#include "cli/OutputBuffer.h"

#include <charconv>

TOutputBuffer& TOutputBuffer::Text(std::string_view text) {
  Buffer.append(text);
  return *this;
}

TOutputBuffer& TOutputBuffer::Char(char c) {
  Buffer.push_back(c);
  return *this;
}

TOutputBuffer& TOutputBuffer::Decimal(uint64_t value) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  Buffer.append(digits, result.ptr);
  return *this;
}

TOutputBuffer& TOutputBuffer::Hex(uint32_t value, int digits) {
  static constexpr char HexDigits[] = "0123456789ABCDEF";
  for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) Buffer.push_back(HexDigits[(value >> shift) & 0xF]);
  return *this;
}

TOutputBuffer& TOutputBuffer::EndLine() {
  Buffer.push_back('\n');
  if (Buffer.size() >= FlushSize) Flush();
  return *this;
}

void TOutputBuffer::Flush() {
  if (!Buffer.empty()) std::fwrite(Buffer.data(), 1, Buffer.size(), File);
  Buffer.clear();
  std::fflush(File);
}
