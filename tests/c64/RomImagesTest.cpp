#include "c64/RomImages.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "TestFiles.h"
#include "firmware/FirmwareImages.h"

namespace {

// An image filled with fill whose first four bytes and last six bytes (the places of BASIC's
// start vectors and the KERNAL's hardware vectors) hold the given words.
std::vector<uint8_t> Image(size_t size, uint8_t fill, uint16_t firstWords = 0, uint16_t lastWords = 0) {
  std::vector<uint8_t> image(size, fill);
  if (size < 6) return image;
  for (size_t at : {size_t{0}, size_t{2}}) {
    image[at] = firstWords & 0xFF;
    image[at + 1] = firstWords >> 8;
  }
  for (size_t at = size - 6; at < size; at += 2) {
    image[at] = lastWords & 0xFF;
    image[at + 1] = lastWords >> 8;
  }
  return image;
}

template <typename Array>
bool Holds(const Array& slot, const std::vector<uint8_t>& bytes) {
  return std::equal(slot.begin(), slot.end(), bytes.begin(), bytes.end());
}

TEST(RomImages, BuiltInByDefaultAndWithoutAFolder) {
  const TRomImages roms;
  EXPECT_EQ(roms.Kernal(), firmware::Kernal);
  EXPECT_EQ(roms.Basic(), firmware::Basic);
  EXPECT_EQ(roms.Chars(), firmware::Chars);
  EXPECT_EQ(roms.PowerOn(), firmware::PowerOn);
  EXPECT_TRUE(roms.BuiltInBasic());
  EXPECT_TRUE(roms.BuiltIn(TRomSlot::Kernal));
  EXPECT_TRUE(roms.AtBasicTrap(firmware::BasicTrap));
  EXPECT_TRUE(roms.AtBasicTrap(firmware::KernalBasicTrap));
  EXPECT_FALSE(roms.AtBasicTrap(0xA7AE));
  TRomImages withoutFolder;
  EXPECT_TRUE(withoutFolder.LoadFolder("/nonexistent/vexlor/roms").empty());
  EXPECT_TRUE(withoutFolder.LoadFolder("").empty());
  EXPECT_TRUE(withoutFolder.BuiltInBasic());
}

TEST(RomImages, LoadImageChecksTheSizeOfEachSlot) {
  TScratchFolder folder;
  const struct {
    TRomSlot slot;
    size_t size;
    bool accepted;
  } cases[] = {
      {TRomSlot::Kernal, 8192, true}, {TRomSlot::Kernal, 8191, false}, {TRomSlot::Kernal, 8193, false},
      {TRomSlot::Basic, 8192, true},  {TRomSlot::Basic, 4096, false},  {TRomSlot::Chars, 4096, true},
      {TRomSlot::Chars, 8192, false}, {TRomSlot::Chars, 0, false},
  };
  for (const auto& c : cases) {
    TRomImages roms;
    const std::string path = folder.Write("image", Image(c.size, 0x5A));
    std::string message;
    EXPECT_EQ(roms.LoadImage(c.slot, path, message), c.accepted) << c.size;
    EXPECT_EQ(roms.BuiltIn(c.slot), !c.accepted);
    EXPECT_EQ(message.empty(), c.accepted) << message;
    const bool replaced = c.slot == TRomSlot::Kernal ? Holds(roms.Kernal(), Image(8192, 0x5A))
                          : c.slot == TRomSlot::Basic ? Holds(roms.Basic(), Image(8192, 0x5A))
                                                      : Holds(roms.Chars(), Image(4096, 0x5A));
    EXPECT_EQ(replaced, c.accepted) << c.size;
    // A refusal names the size the slot needs.
    if (!c.accepted) {
      EXPECT_NE(message.find(std::to_string(c.slot == TRomSlot::Chars ? 4096 : 8192)),
                std::string::npos)
          << message;
    }
  }
  TRomImages roms;
  std::string message;
  EXPECT_FALSE(roms.LoadImage(TRomSlot::Kernal, folder / "missing", message));
  EXPECT_NE(message.find("cannot be read"), std::string::npos);
  EXPECT_EQ(roms.Kernal(), firmware::Kernal);
}

TEST(RomImages, FolderImagesReplaceBuiltInOnesByNameOrContent) {
  TScratchFolder folder;
  folder.Write("KERNAL.901227-03.bin", Image(8192, 0x11));
  folder.Write("basic.rom", Image(8192, 0x22));
  folder.Write("chargen", Image(4096, 0x33));
  folder.Write("notes.txt", Image(100, 0x44));  // not a ROM file: ignored silently
  TRomImages roms;
  EXPECT_TRUE(roms.LoadFolder(folder.Path.string()).empty());
  EXPECT_TRUE(Holds(roms.Kernal(), Image(8192, 0x11)));
  EXPECT_TRUE(Holds(roms.Basic(), Image(8192, 0x22)));
  EXPECT_TRUE(Holds(roms.Chars(), Image(4096, 0x33)));
  EXPECT_FALSE(roms.BuiltInBasic());
  EXPECT_FALSE(roms.AtBasicTrap(firmware::BasicTrap));
  EXPECT_FALSE(roms.AtBasicTrap(firmware::KernalBasicTrap));
  EXPECT_EQ(roms.SourcePath(TRomSlot::Basic), folder / "basic.rom");
  roms.UseBuiltIn();
  EXPECT_EQ(roms.Kernal(), firmware::Kernal);
  EXPECT_TRUE(roms.BuiltInBasic());

  TScratchFolder unnamed;
  unnamed.Write("a.bin", Image(8192, 0x55, 0x1234, 0xFCE2));  // KERNAL vectors at the end
  unnamed.Write("b.bin", Image(8192, 0x66, 0xE394, 0x1234));  // BASIC start vectors
  TRomImages byContent;
  EXPECT_TRUE(byContent.LoadFolder(unnamed.Path.string()).empty());
  EXPECT_TRUE(Holds(byContent.Kernal(), Image(8192, 0x55, 0x1234, 0xFCE2)));
  EXPECT_TRUE(Holds(byContent.Basic(), Image(8192, 0x66, 0xE394, 0x1234)));
}

TEST(RomImages, FolderRefusalsKeepBuiltInImagesAndSayWhy) {
  TScratchFolder folder;
  folder.Write("basic.rom", Image(8000, 0x22));                // wrong size for its name
  folder.Write("odd.rom", Image(5000, 0x22));                  // no ROM has this size
  folder.Write("both.bin", Image(8192, 0x77, 0xE000, 0xE000));  // fits KERNAL and BASIC
  folder.Write("kernal1.rom", Image(8192, 0x11));
  folder.Write("kernal2.rom", Image(8192, 0x12));              // a second KERNAL
  TRomImages roms;
  const std::vector<std::string> messages = roms.LoadFolder(folder.Path.string());
  ASSERT_EQ(messages.size(), 4u);
  auto mentions = [&](const std::string& name, const std::string& text) {
    return std::any_of(messages.begin(), messages.end(), [&](const std::string& m) {
      return m.find(name) != std::string::npos && m.find(text) != std::string::npos;
    });
  };
  EXPECT_TRUE(mentions("basic.rom", "8000 bytes"));
  EXPECT_TRUE(mentions("odd.rom", "5000 bytes"));
  EXPECT_TRUE(mentions("both.bin", "KERNAL or a BASIC"));
  EXPECT_TRUE(mentions("kernal2.rom", "kernal1.rom"));
  EXPECT_EQ(roms.Basic(), firmware::Basic);
  EXPECT_TRUE(roms.BuiltInBasic());
  EXPECT_TRUE(Holds(roms.Kernal(), Image(8192, 0x11)));
}

TEST(RomImages, BasicWithoutItsKernalIsUsedWithAWarning) {
  TScratchFolder folder;
  folder.Write("basic.rom", Image(8192, 0x22));
  TRomImages roms;
  const auto messages = roms.LoadFolder(folder.Path.string());
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("KERNAL"), std::string::npos);
  EXPECT_FALSE(roms.BuiltInBasic());
}

class ScopedEnvironment {
 public:
  explicit ScopedEnvironment(const char* name) : Name(name) {
    if (const char* value = getenv(name)) Saved = value;
  }
  ~ScopedEnvironment() {
    if (Saved)
      setenv(Name, Saved->c_str(), 1);
    else
      unsetenv(Name);
  }
  void Set(const char* value) const { value ? setenv(Name, value, 1) : unsetenv(Name); }

 private:
  const char* Name;
  std::optional<std::string> Saved;
};

TEST(RomImages, RomFolderFollowsOverrideThenXdgThenHome) {
  const ScopedEnvironment roms("VEXLOR_ROMS"), data("XDG_DATA_HOME"), home("HOME");
  const struct {
    const char* override;
    const char* data;
    const char* home;
    const char* expected;
  } cases[] = {
      {"/my/roms", "/data", "/home/u", "/my/roms"},
      {"", "/data", "/home/u", "/data/vexlor/roms"},
      {nullptr, "/data", "/home/u", "/data/vexlor/roms"},
      {nullptr, "relative", "/home/u", "/home/u/.local/share/vexlor/roms"},
      {nullptr, nullptr, "/home/u", "/home/u/.local/share/vexlor/roms"},
      {nullptr, nullptr, nullptr, ""},
  };
  for (const auto& c : cases) {
    roms.Set(c.override);
    data.Set(c.data);
    home.Set(c.home);
    EXPECT_EQ(RomFolderPath(), c.expected);
  }
}

}  // namespace
