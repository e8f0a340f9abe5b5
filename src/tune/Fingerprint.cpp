#include "tune/Fingerprint.h"

#include <algorithm>
#include <vector>

#include "knowledge/Md5.h"

namespace {

constexpr uint8_t kCiaTimedSong = 0x3C;
constexpr uint8_t kVerticalBlankSong = 0x00;
constexpr uint8_t kNtscOnlyMarker = 0x02;

std::string Digest(std::span<const uint8_t> data, const std::vector<uint8_t>& tail) {
  TMd5Stream md5;
  md5.Write(data.data(), data.size());
  md5.Write(tail.data(), tail.size());
  return md5.DigestText();
}

}  // namespace

std::string SidFingerprint(const TFileBytes& file) {
  const bool rsid = file.Byte(0) == 'R';
  const size_t dataOffset = file.WordBigEndian(0x06);
  const uint8_t flags = dataOffset >= 0x77 ? file.Byte(0x77) : 0;
  const bool playSidSpecific = !rsid && (flags & 0x02) != 0;
  const uint32_t speed = rsid ? 0xFFFFFFFF : file.LongBigEndian(0x12);
  const unsigned songs = file.WordBigEndian(0x0E);

  // The header words go in low byte first: init, play, number of songs.
  std::vector<uint8_t> tail = {file.Byte(0x0B), file.Byte(0x0A), file.Byte(0x0D),
                               file.Byte(0x0C), file.Byte(0x0F), file.Byte(0x0E)};
  for (unsigned song = 0; song < songs; ++song) {
    tail.push_back(CiaTimed(speed, song, playSidSpecific) ? kCiaTimedSong : kVerticalBlankSong);
  }
  if ((flags & 0x0C) == 0x08) tail.push_back(kNtscOnlyMarker);
  return Digest(file.From(dataOffset + 2), tail);
}

std::string ProgramFingerprint(const TFileBytes& file, size_t headerLength) {
  return Digest(file.From(headerLength + 2), {});
}

// PlaySID-specific tunes repeat the 32 speed bits; all others give every song past the 31st
// the state of bit 31.
bool CiaTimed(uint32_t speed, unsigned song, bool playSidSpecific) {
  const unsigned bit = playSidSpecific ? song % 32 : std::min(song, 31u);
  return (speed >> bit & 1) != 0;
}
