#pragma once
// TMd5Stream: a write-only byte stream that computes the MD5 digest (RFC 1321) of everything
// written to it. Used for tune fingerprints and for the whole-file keys of newer song-length files.
#include <cstddef>
#include <cstdint>
#include <string>

class TMd5Stream {
 public:
  TMd5Stream();
  // Appends size bytes; returns the count written.
  size_t Write(const void* data, size_t size);
  // Reading yields nothing: the stream is write-only.
  size_t Read(void*, size_t) { return 0; }
  // Finishes the digest and returns it as 32 lower-case hexadecimal characters; the stream is
  // then ready for a new computation.
  std::string DigestText();

 private:
  void Restart();
  void Transform(const uint8_t* block);

  uint32_t State[4];
  uint8_t Buffer[64];
  size_t Buffered = 0;
  uint64_t Blocks = 0;
};
