#pragma once
// SidLoader: reads PSID/RSID files, C64 program files (.prg, .dat, no extension) and PC64 files
// (.p00 and the like) into the tune record, places the C64 data in the emulated machine and
// computes the fingerprint. Sidplayer .mus files are recognised but not played.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "tune/FileBytes.h"
#include "tune/TuneMachine.h"
#include "tune/TuneRecord.h"

enum class TLoadResult {
  Loaded,
  NotOpened,       // no file name, or the file cannot be read: no message
  TooLarge,        // longer than any tune the C64's memory could take
  UnknownFormat,   // not a file type the player knows
  NotAProgram,     // a program file that does not start the way a C64 program would
  SidplayerMusic,  // recognised but not played: no message
};

// The text of the information box for a failed load; empty when the failure shows nothing.
std::string_view LoadMessage(TLoadResult result);

// "$" followed by exactly `digits` upper-case hexadecimal digits of value, zero-filled.
std::string DollarHex(uint32_t value, int digits);

class TSidLoader {
 public:
  // The largest file whose every byte can still reach C64 memory: the largest header, an
  // embedded load address and all 64 KB. Anything longer is refused rather than read.
  static constexpr size_t MaxFileSize = 0xFFFF + 2 + 0x10000;

  explicit TSidLoader(TTuneMachine& machine) : Machine(machine) {}

  // songIndex (from 0) is used by program files; PSID/RSID files start at their start song.
  TLoadResult LoadTuneFile(const std::string& fileName, int songIndex);
  // The same for a file already in memory; fileName gives the extension and the program name.
  TLoadResult LoadTuneData(std::string_view fileName, std::span<const uint8_t> bytes, int songIndex);
  // Starts another song of the tune in memory from the image saved when it was placed.
  bool RestartAtSong(int songIndex);

  TTuneRecord Tune;

 private:
  void ResetForLoad();
  void LoadSidFile(const TFileBytes& file, std::string_view fileName);
  void ReadSidFlags(const TFileBytes& file, bool rsid);
  void ReadSidAddresses(const TFileBytes& file);
  void ResolveInitAddress(const TFileBytes& file, bool rsid);
  TLoadResult LoadByExtension(const TFileBytes& file, std::string_view fileName, int songIndex);
  TLoadResult LoadProgramFile(const TFileBytes& file, size_t headerLength, std::string_view fileName,
                              int songIndex);
  bool LoadProgram(const TFileBytes& file, size_t headerLength, std::string_view fileName, int songIndex);
  void PlaceTune(const TFileBytes& file, size_t dataStart, std::string_view fileName, int songIndex,
                 bool realC64);

  TTuneMachine& Machine;
};
