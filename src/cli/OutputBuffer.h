#pragma once
// Line output for long write streams: formats numbers itself and hands the bytes to the file in
// large blocks, so printing costs little next to the emulation.
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

class TOutputBuffer {
 public:
  explicit TOutputBuffer(std::FILE* file) : File(file) { Buffer.reserve(FlushSize + 256); }
  ~TOutputBuffer() { Flush(); }
  TOutputBuffer(const TOutputBuffer&) = delete;
  TOutputBuffer& operator=(const TOutputBuffer&) = delete;

  TOutputBuffer& Text(std::string_view text);
  TOutputBuffer& Char(char c);
  TOutputBuffer& Decimal(uint64_t value);
  // Exactly digits upper-case hexadecimal digits.
  TOutputBuffer& Hex(uint32_t value, int digits);
  // Ends the line; the buffer goes out once it has grown large.
  TOutputBuffer& EndLine();
  void Flush();

 private:
  static constexpr size_t FlushSize = 1 << 16;
  std::FILE* File;
  std::string Buffer;
};
