#pragma once
// The contents of the machine's ROM slots: KERNAL, BASIC and character ROM, plus the power-on
// RAM image. By default they hold the project's own firmware; a user who owns real ROM images
// can put them in a ROM folder, and each image found there replaces the built-in one.
//
// The ROM folder is $VEXLOR_ROMS when set, else $XDG_DATA_HOME/vexlor/roms/, else
// ~/.local/share/vexlor/roms/. Images are recognised by size (8192 bytes KERNAL or BASIC, 4096
// bytes characters), KERNAL and BASIC told apart by file name (kernal*, basic*) or else by
// their vectors. Refusals come back as messages; the built-in image then stays.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

enum class TRomSlot { Kernal, Basic, Chars };

// Where the ROM images of this user are looked for.
std::string RomFolderPath();

class TRomImages {
 public:
  static constexpr size_t KernalSize = 8192;
  static constexpr size_t BasicSize = 8192;
  static constexpr size_t CharsSize = 4096;
  static constexpr size_t PowerOnSize = 4096;

  // All slots hold the built-in firmware.
  TRomImages();

  const std::array<uint8_t, KernalSize>& Kernal() const { return KernalImage; }
  const std::array<uint8_t, BasicSize>& Basic() const { return BasicImage; }
  const std::array<uint8_t, CharsSize>& Chars() const { return CharsImage; }
  // The power-on RAM image always comes from the built-in firmware: its vectors name the
  // documented entry addresses, which real ROMs and the built-in ones serve alike.
  const std::array<uint8_t, PowerOnSize>& PowerOn() const;

  bool BuiltIn(TRomSlot slot) const { return SourcePath(slot).empty(); }
  bool BuiltInBasic() const { return BuiltIn(TRomSlot::Basic); }
  // The file a slot was loaded from; empty for the built-in image.
  const std::string& SourcePath(TRomSlot slot) const;

  // True when a CPU at pc sits in one of the built-in firmware's traps for programs that need
  // BASIC (only for slots that hold the built-in images).
  bool AtBasicTrap(uint16_t pc) const;

  // Puts the image in the file at path into slot. False, with the reason in message, when the
  // file cannot be read or has the wrong size; the slot is then unchanged.
  bool LoadImage(TRomSlot slot, const std::string& path, std::string& message);
  // Loads every ROM image found in folder (files named kernal*, kernel*, basic*, char* or
  // ending in .rom or .bin, in name order; the first image for a slot wins). Returns one
  // message per file refused or ignored; an absent folder gives none.
  std::vector<std::string> LoadFolder(const std::string& folder);
  // Every slot back to the built-in firmware.
  void UseBuiltIn();

 private:
  std::array<uint8_t, KernalSize> KernalImage;
  std::array<uint8_t, BasicSize> BasicImage;
  std::array<uint8_t, CharsSize> CharsImage;
  std::string KernalPath, BasicPath, CharsPath;
};
