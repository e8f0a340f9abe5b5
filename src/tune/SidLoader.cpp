#include "tune/SidLoader.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

#include "tune/Fingerprint.h"

namespace {

constexpr std::string_view kUnknownFormat = "Unknown file format";
constexpr std::string_view kNotAProgram = "Not a valid program file";

constexpr size_t kPc64HeaderLength = 26;
constexpr size_t kPc64NameOffset = 8;
constexpr size_t kPc64NameLength = 16;
constexpr size_t kProgramNameLength = 36;
constexpr size_t kHeaderTextLength = 32;
constexpr size_t kFlagsOffset = 0x77;
constexpr size_t kHighFlagsOffset = 0x76;
constexpr size_t kSecondSidOffset = 0x7A;
constexpr size_t kThirdSidOffset = 0x7B;
constexpr int32_t kBasicStart = 0x0801;
constexpr int32_t kBasicRunEntry = 0xA7AE;

// Reads at most limit bytes from the start of the file; nothing when it cannot be read.
std::optional<std::vector<uint8_t>> ReadFileStart(const std::string& fileName, size_t limit) {
  std::ifstream stream(fileName, std::ios::binary);
  if (!stream) return std::nullopt;
  std::vector<uint8_t> bytes(limit);
  stream.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(limit));
  if (stream.bad()) return std::nullopt;
  bytes.resize(static_cast<size_t>(stream.gcount()));
  return bytes;
}

std::string BaseName(std::string_view fileName) {
  return std::filesystem::path(fileName).filename().string();
}

// From the last dot of the name on, ASCII letters lower-cased; empty when there is no dot.
std::string Extension(std::string_view fileName) {
  const std::string name = BaseName(fileName);
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos) return {};
  std::string extension = name.substr(dot);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
  return extension;
}

// A header's SID address byte names $D000 + 16 × the byte; a chip can sit only at an even byte
// in $D420-$D7E0 or $DE00-$DFE0.
bool ValidSidByte(uint8_t byte) {
  return (byte & 1) == 0 && ((byte >= 0x42 && byte <= 0x7E) || byte >= 0xE0);
}
int32_t AddressOfSidByte(uint8_t byte) { return 0xD000 + 16 * byte; }

// File names are UTF-8 here: counting characters rather than bytes never cuts one in half.
std::string FirstCharacters(std::string_view text, size_t count) {
  size_t characters = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const bool continuation = (static_cast<uint8_t>(text[i]) & 0xC0) == 0x80;
    if (!continuation && characters++ == count) return std::string(text.substr(0, i));
  }
  return std::string(text);
}

// A header text ends at its first zero byte or after 32 bytes.
std::string HeaderText(const TFileBytes& file, size_t offset) {
  std::string text;
  for (size_t i = 0; i < kHeaderTextLength && file.Byte(offset + i) != 0; ++i) {
    text.push_back(static_cast<char>(file.Byte(offset + i)));
  }
  return text;
}

std::string FileText(const TFileBytes& file, size_t offset, size_t length) {
  std::string text;
  for (size_t i = 0; i < length; ++i) text.push_back(static_cast<char>(file.Byte(offset + i)));
  return text;
}

int32_t ByteCountFrom(const TFileBytes& file, size_t offset) {
  return static_cast<int32_t>(file.Size() > offset ? file.Size() - offset : 0);
}

// What a C64 would start as a program: it covers the first BASIC line up to its line number,
// or it overwrites the KERNAL's output vector at $0326 and so starts itself.
bool StartsLikeProgram(int32_t loadAddress, int32_t dataLength) {
  return (loadAddress <= kBasicStart && loadAddress + dataLength > 0x0805) || loadAddress == 0x0326;
}

}  // namespace

std::string_view LoadMessage(TLoadResult result) {
  switch (result) {
    case TLoadResult::TooLarge:
    case TLoadResult::UnknownFormat:
      return kUnknownFormat;
    case TLoadResult::NotAProgram:
      return kNotAProgram;
    case TLoadResult::Loaded:
    case TLoadResult::NotOpened:
    case TLoadResult::SidplayerMusic:
      break;
  }
  return {};
}

std::string DollarHex(uint32_t value, int digits) {
  static constexpr char kHexDigits[] = "0123456789ABCDEF";
  std::string text = "$";
  for (int digit = digits - 1; digit >= 0; --digit) {
    text.push_back(digit < 8 ? kHexDigits[value >> (4 * digit) & 0xF] : '0');
  }
  return text;
}

TLoadResult TSidLoader::LoadTuneFile(const std::string& fileName, int songIndex) {
  const std::optional<std::vector<uint8_t>> bytes =
      fileName.empty() ? std::nullopt : ReadFileStart(fileName, MaxFileSize + 1);
  if (!bytes) {
    ResetForLoad();
    return TLoadResult::NotOpened;
  }
  return LoadTuneData(fileName, *bytes, songIndex);
}

TLoadResult TSidLoader::LoadTuneData(std::string_view fileName, std::span<const uint8_t> bytes,
                                     int songIndex) {
  ResetForLoad();
  if (bytes.size() > MaxFileSize) return TLoadResult::TooLarge;
  const TFileBytes file(bytes);
  Tune.magicId = FileText(file, 0, std::min<size_t>(4, file.Size()));
  if (Tune.magicId == "PSID" || Tune.magicId == "RSID") {
    LoadSidFile(file, fileName);
    return TLoadResult::Loaded;
  }
  return LoadByExtension(file, fileName, songIndex);
}

bool TSidLoader::RestartAtSong(int songIndex) {
  Machine.SetPlaySidMode(Tune.playSidSpecific);
  Machine.RestoreTune(static_cast<uint8_t>(songIndex), static_cast<uint16_t>(Tune.loadAddress),
                      Tune.realC64);
  return true;
}

void TSidLoader::ResetForLoad() {
  Tune.basicTune = false;
  Tune.programFile = false;
  Tune.realC64 = false;
  Tune.playSidSpecific = false;
  Tune.relocStartPage = 0;
  Tune.relocPages = 0;
  Tune.secondSidAddress = 0;
  Tune.thirdSidAddress = 0;
  Tune.secondSidModel = 0;
  Tune.thirdSidModel = 0;
  Tune.refusedSecondSid = 0;
  Tune.refusedThirdSid = 0;
  Tune.md5.clear();
}

void TSidLoader::LoadSidFile(const TFileBytes& file, std::string_view fileName) {
  const bool rsid = Tune.magicId == "RSID";
  Tune.fileFormat = rsid ? "Real C64 SID one-file (RSID)" : "PlaySID one-file (PSID)";
  Tune.realC64 = rsid;
  Tune.programFile = false;
  Tune.dataOffset = file.WordBigEndian(0x06);
  Tune.loadAddress = file.WordBigEndian(0x08);
  ReadSidFlags(file, rsid);
  ReadSidAddresses(file);
  Machine.SetPlaySidMode(Tune.playSidSpecific);
  Tune.startSong = file.WordBigEndian(0x10);

  size_t dataStart = static_cast<size_t>(Tune.dataOffset);
  if (Tune.loadAddress == 0) {
    Tune.loadAddress = file.WordLittleEndian(dataStart);
    dataStart += 2;
  }
  Tune.dataLength = ByteCountFrom(file, dataStart);
  PlaceTune(file, dataStart, fileName, Tune.startSong - 1, rsid);

  ResolveInitAddress(file, rsid);
  Tune.playAddress = file.WordBigEndian(0x0C);
  Tune.filePal = Tune.clockPal;
  Tune.fileNtsc = Tune.clockNtsc;
  Tune.name = HeaderText(file, 0x16);
  Tune.author = HeaderText(file, 0x36);
  Tune.released = HeaderText(file, 0x56);
  Tune.songs = file.WordBigEndian(0x0E);
  Tune.speed = rsid ? 0xFFFFFFFF : file.LongBigEndian(0x12);
  if (Tune.dataOffset >= 0x7C) {
    Tune.relocStartPage = file.Byte(0x78);
    Tune.relocPages = file.Byte(0x79);
  }
  Tune.md5 = SidFingerprint(file);
}

// Version 1 headers end before the flags word: their tunes declare no clock and no SID model.
void TSidLoader::ReadSidFlags(const TFileBytes& file, bool rsid) {
  const uint8_t flags = Tune.dataOffset >= 0x77 ? file.Byte(kFlagsOffset) : 0;
  Tune.clockPal = (flags & 0x04) != 0;
  Tune.clockNtsc = (flags & 0x08) != 0;
  Tune.palFrequencyFixed = false;
  Tune.ntscFrequencyFixed = false;
  Tune.sid6581 = (flags & 0x10) != 0;
  Tune.sid8580 = (flags & 0x20) != 0;
  Tune.playSidSpecific = !rsid && (flags & 0x02) != 0;
}

// Version 3 headers may declare a second SID chip, version 4 a third at another address, each
// with its model in the flags (bits 6-7 and 8-9). A byte of 0 declares no chip; an address no
// chip can have is refused, and so is a third chip at the second's address or without one.
void TSidLoader::ReadSidAddresses(const TFileBytes& file) {
  const uint16_t version = Tune.dataOffset >= 0x7C ? file.WordBigEndian(0x04) : 0;
  const uint8_t second = version >= 3 ? file.Byte(kSecondSidOffset) : 0;
  const uint8_t third = version >= 4 ? file.Byte(kThirdSidOffset) : 0;
  if (ValidSidByte(second)) {
    Tune.secondSidAddress = AddressOfSidByte(second);
    Tune.secondSidModel = (file.Byte(kFlagsOffset) >> 6) & 3;
  } else if (second != 0) {
    Tune.refusedSecondSid = AddressOfSidByte(second);
  }
  if (ValidSidByte(third) && Tune.secondSidAddress != 0 && third != second) {
    Tune.thirdSidAddress = AddressOfSidByte(third);
    Tune.thirdSidModel = file.Byte(kHighFlagsOffset) & 3;
  } else if (third != 0) {
    Tune.refusedThirdSid = AddressOfSidByte(third);
  }
}

// Init 0 means "start at the load address", except for an RSID BASIC program, which RUN starts.
// Flags bit 1 marks BASIC only in RSID files; in a PSID file it means PlaySID-specific.
void TSidLoader::ResolveInitAddress(const TFileBytes& file, bool rsid) {
  Tune.initAddress = file.WordBigEndian(0x0A);
  Tune.basicTune = false;
  if (Tune.initAddress != 0) return;
  if (rsid && Tune.loadAddress == kBasicStart && (file.Byte(kFlagsOffset) & 0x02) != 0) {
    Tune.initAddress = kBasicRunEntry;
    Tune.basicTune = true;
  } else {
    Tune.initAddress = Tune.loadAddress;
  }
}

TLoadResult TSidLoader::LoadByExtension(const TFileBytes& file, std::string_view fileName, int songIndex) {
  const std::string extension = Extension(fileName);
  const size_t size = file.Size();
  if (size >= 3) Tune.loadAddress = file.WordLittleEndian(0);

  const bool bareProgram = extension.empty() && size >= 3 && Tune.loadAddress <= kBasicStart &&
                           Tune.loadAddress + size > 0x0803;
  if (extension == ".prg" || extension == ".dat" || bareProgram) {
    return LoadProgramFile(file, 0, fileName, songIndex);
  }
  if (extension == ".mus" && size >= 11) {
    Tune.fileFormat = "C64 Sidplayer music file (MUS)";
    return TLoadResult::SidplayerMusic;
  }
  if (extension.starts_with(".p") && size >= 27 && FileText(file, 0, 7) == "C64File") {
    return LoadProgramFile(file, kPc64HeaderLength, fileName, songIndex);
  }
  return TLoadResult::UnknownFormat;
}

TLoadResult TSidLoader::LoadProgramFile(const TFileBytes& file, size_t headerLength,
                                        std::string_view fileName, int songIndex) {
  if (!LoadProgram(file, headerLength, fileName, songIndex)) return TLoadResult::NotAProgram;
  Tune.magicId = "RSID";
  Tune.realC64 = true;
  if (headerLength == 0) {
    Tune.fileFormat = "C64 Program file (PRG)";
    Tune.name = FirstCharacters(BaseName(fileName), kProgramNameLength);
  } else {
    Tune.fileFormat = "PC64 Program file (PRG)";
    Tune.name = FileText(file, kPc64NameOffset, kPc64NameLength);
  }
  return TLoadResult::Loaded;
}

// The fingerprint is taken before the check, so a refused program still shows it.
bool TSidLoader::LoadProgram(const TFileBytes& file, size_t headerLength, std::string_view fileName,
                             int songIndex) {
  Tune.programFile = true;
  Tune.playSidSpecific = false;
  Tune.dataOffset = 0;
  Tune.loadAddress = file.WordLittleEndian(headerLength);
  Tune.dataLength = ByteCountFrom(file, headerLength + 2);
  Tune.md5 = ProgramFingerprint(file, headerLength);
  Machine.SetPlaySidMode(false);
  const bool hasLoadAddress = file.Size() >= headerLength + 2;
  if (!hasLoadAddress || !StartsLikeProgram(Tune.loadAddress, Tune.dataLength)) return false;

  PlaceTune(file, headerLength + 2, fileName, songIndex, true);
  Tune.initAddress = 0;
  Tune.playAddress = 0;
  Tune.songs = 1;
  Tune.startSong = 1;
  Tune.speed = 0xFFFFFFFF;
  Tune.filePal = Tune.clockPal = true;
  Tune.fileNtsc = Tune.clockNtsc = false;
  Tune.palFrequencyFixed = Tune.ntscFrequencyFixed = false;
  Tune.sid6581 = Tune.sid8580 = false;
  Tune.basicTune = false;
  Tune.author.clear();
  Tune.released.clear();
  Tune.relocStartPage = Tune.relocPages = 0;
  return true;
}

// Bytes that would lie past $FFFF never reach the machine.
void TSidLoader::PlaceTune(const TFileBytes& file, size_t dataStart, std::string_view fileName,
                           int songIndex, bool realC64) {
  const std::span<const uint8_t> data = file.From(dataStart);
  const size_t room = 0x10000 - static_cast<size_t>(Tune.loadAddress);
  TTuneImage image;
  image.fileName = fileName;
  image.data = data.first(std::min(data.size(), room));
  image.loadAddress = static_cast<uint16_t>(Tune.loadAddress);
  image.songByte = static_cast<uint8_t>(songIndex);
  image.realC64 = realC64;
  image.otherSids = {static_cast<uint16_t>(Tune.secondSidAddress), static_cast<uint16_t>(Tune.thirdSidAddress)};
  image.sidModels = {static_cast<uint8_t>((Tune.sid6581 ? 1 : 0) | (Tune.sid8580 ? 2 : 0)),
                     static_cast<uint8_t>(Tune.secondSidModel), static_cast<uint8_t>(Tune.thirdSidModel)};
  Machine.LoadTune(image);
}
