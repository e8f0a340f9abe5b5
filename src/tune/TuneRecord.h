#pragma once
// The one description of the loaded tune. The loader overwrites it on every load; the player,
// playback control, the song length lookup and the dialogs read it in place.
#include <cstdint>
#include <string>

struct TTuneRecord {
  std::string magicId;     // "PSID" or "RSID"; program files count as "RSID"
  std::string fileFormat;  // shown in the properties dialog
  int32_t dataOffset = 0;  // file offset of the C64 data (header length)
  int32_t loadAddress = 0;
  int32_t initAddress = 0;
  int32_t playAddress = 0;  // 0: the tune installs its own interrupt handler
  int32_t songs = 0;
  int32_t startSong = 0;  // counted from 1
  uint32_t speed = 0;     // bit n set: song n+1 runs from the CIA timer, clear: from the vertical blank
  // The credits as stored in the file (PSID texts are Latin-1); no character-set conversion.
  std::string name;
  std::string author;
  std::string released;
  int32_t dataLength = 0;  // C64 data bytes, an embedded load address not counted
  std::string md5;         // fingerprint, the key of the song length database
  bool filePal = false;    // clock declared by the file
  bool fileNtsc = false;
  bool clockPal = false;  // clock in use: starts as declared, then playback control decides
  bool clockNtsc = false;
  bool palFrequencyFixed = false;  // output clock held whatever the tune's clock
  bool ntscFrequencyFixed = false;
  bool sid6581 = false;  // SID model declared by the file
  bool sid8580 = false;
  bool playSidSpecific = false;
  bool basicTune = false;  // started through the BASIC interpreter
  bool programFile = false;
  bool realC64 = false;  // real-C64 environment for the emulator
  int32_t relocStartPage = 0;
  int32_t relocPages = 0;
  // A second and third SID chip the header declares ($D420-$D7E0, $DE00-$DFE0), 0 for none.
  int32_t secondSidAddress = 0;
  int32_t thirdSidAddress = 0;

  int32_t SidChips() const { return 1 + (secondSidAddress != 0) + (thirdSidAddress != 0); }
};
