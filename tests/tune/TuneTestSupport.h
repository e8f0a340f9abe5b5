#pragma once
// Shared pieces of the tune loader tests: a machine that records what the loader hands it, a
// builder for PSID/RSID files and small byte helpers.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "knowledge/Md5.h"
#include "tune/SidLoader.h"

using TBytes = std::vector<uint8_t>;

class TRecordingMachine : public TTuneMachine {
 public:
  void SetPlaySidMode(bool playSid) override { Calls.push_back(playSid ? "PlaySid on" : "PlaySid off"); }
  void LoadTune(const TTuneImage& image) override {
    Calls.push_back("LoadTune");
    FileName = image.fileName;
    Data.assign(image.data.begin(), image.data.end());
    LoadAddress = image.loadAddress;
    SongByte = image.songByte;
    RealC64 = image.realC64;
    OtherSids = image.otherSids;
  }
  void RestoreTune(uint8_t songByte, uint16_t loadAddress, bool realC64) override {
    Calls.push_back("RestoreTune");
    SongByte = songByte;
    LoadAddress = loadAddress;
    RealC64 = realC64;
  }

  std::vector<std::string> Calls;
  std::string FileName;
  TBytes Data;
  uint16_t LoadAddress = 0;
  uint8_t SongByte = 0;
  bool RealC64 = false;
  std::array<uint16_t, 2> OtherSids{};
};

// A PSID/RSID file as the tests want it; a header shorter than 0x7C bytes is cut at dataOffset.
struct TSidFile {
  std::string magic = "PSID";
  uint16_t dataOffset = 0x7C;
  uint16_t load = 0;
  uint16_t init = 0x1000;
  uint16_t play = 0x1003;
  uint16_t songs = 1;
  uint16_t startSong = 1;
  uint32_t speed = 0;
  uint8_t flags = 0x14;  // PAL, 6581
  std::string name = "Tune";
  std::string author;
  std::string released;
  uint8_t startPage = 0;
  uint8_t pages = 0;
  uint16_t version = 0;  // 0: 2, or 1 for a header without flags
  uint8_t secondSid = 0;
  uint8_t thirdSid = 0;
  TBytes data = {0x00, 0x10, 0xA9, 0x00, 0x60};

  TBytes Bytes() const {
    TBytes bytes(0x7C, 0);
    auto word = [&bytes](size_t at, uint32_t value) {
      bytes[at] = uint8_t(value >> 8);
      bytes[at + 1] = uint8_t(value);
    };
    std::copy(magic.begin(), magic.end(), bytes.begin());
    word(0x04, version ? version : dataOffset >= 0x7C ? 2 : 1);
    word(0x06, dataOffset);
    word(0x08, load);
    word(0x0A, init);
    word(0x0C, play);
    word(0x0E, songs);
    word(0x10, startSong);
    word(0x12, speed >> 16);
    word(0x14, speed);
    std::copy(name.begin(), name.end(), bytes.begin() + 0x16);
    std::copy(author.begin(), author.end(), bytes.begin() + 0x36);
    std::copy(released.begin(), released.end(), bytes.begin() + 0x56);
    bytes[0x77] = flags;
    bytes[0x78] = startPage;
    bytes[0x79] = pages;
    bytes[0x7A] = secondSid;
    bytes[0x7B] = thirdSid;
    bytes.resize(dataOffset);
    bytes.insert(bytes.end(), data.begin(), data.end());
    return bytes;
  }
};

inline std::string Md5Of(const TBytes& bytes) {
  TMd5Stream md5;
  md5.Write(bytes.data(), bytes.size());
  return md5.DigestText();
}

inline TBytes Concat(TBytes first, const TBytes& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}
