#pragma once
// What the loader needs of the emulated C64. The machine copies a tune into its RAM, keeps the
// resulting memory image and restores it to start another song without reading the file again.
#include <array>
#include <cstdint>
#include <span>
#include <string_view>

struct TTuneImage {
  std::string_view fileName;      // the machine shows it on the C64 screen as the loaded file
  std::span<const uint8_t> data;  // the bytes from loadAddress on; never reaches past $FFFF
  uint16_t loadAddress = 0;
  uint8_t songByte = 0;  // song index (from 0) that the tune finds at $030C-$030E
  bool realC64 = false;  // C64 environment: RSID tunes and program files
  // Addresses of the SID chips the tune declares beyond the first, 0 for none.
  std::array<uint16_t, 2> otherSids{};
  // The model flags of each chip (bit 0 the 6581, bit 1 the 8580), as the header states them.
  std::array<uint8_t, 3> sidModels{};
};

class TTuneMachine {
 public:
  virtual ~TTuneMachine() = default;
  virtual void SetPlaySidMode(bool playSid) = 0;
  virtual void LoadTune(const TTuneImage& image) = 0;
  virtual void RestoreTune(uint8_t songByte, uint16_t loadAddress, bool realC64) = 0;
};
