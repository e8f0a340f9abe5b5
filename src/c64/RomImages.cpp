#include "c64/RomImages.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "firmware/FirmwareImages.h"

namespace fs = std::filesystem;

namespace {

const char* SlotName(TRomSlot slot) {
  switch (slot) {
    case TRomSlot::Kernal: return "KERNAL";
    case TRomSlot::Basic: return "BASIC";
    case TRomSlot::Chars: return "character";
  }
  return "";
}

size_t SlotSize(TRomSlot slot) {
  return slot == TRomSlot::Chars ? TRomImages::CharsSize : TRomImages::KernalSize;
}

// Reads at most limit + 1 bytes, enough to tell a file of the right size from a longer one
// without reading a large file whole.
std::optional<std::vector<uint8_t>> ReadLimited(const std::string& path, size_t limit) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::vector<uint8_t> data(limit + 1);
  file.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size()));
  if (file.bad()) return std::nullopt;
  data.resize(static_cast<size_t>(file.gcount()));
  return data;
}

std::string SizeText(size_t size, size_t limit) {
  return size > limit ? "more than " + std::to_string(limit) + " bytes"
                      : std::to_string(size) + " bytes";
}

uint16_t WordAt(const std::vector<uint8_t>& data, size_t offset) {
  return static_cast<uint16_t>(data[offset] | data[offset + 1] << 8);
}

bool InKernalArea(uint16_t address) { return address >= firmware::KernalStart; }

bool InBasicOrKernalArea(uint16_t address) {
  return (address >= firmware::BasicStart && address < 0xC000) || InKernalArea(address);
}

// A KERNAL ends in its NMI, reset and IRQ vectors, all pointing into $E000-$FFFF; a BASIC ROM
// starts with its cold and warm start vectors, pointing into BASIC or into BASIC's share of the
// KERNAL ROM. An image that fits both or neither stays undecided.
std::optional<TRomSlot> SlotOf8KImage(const std::vector<uint8_t>& data) {
  const size_t vectors = TRomImages::KernalSize - 6;
  const bool kernal = InKernalArea(WordAt(data, vectors)) &&
                      InKernalArea(WordAt(data, vectors + 2)) &&
                      InKernalArea(WordAt(data, vectors + 4));
  const bool basic = InBasicOrKernalArea(WordAt(data, 0)) && InBasicOrKernalArea(WordAt(data, 2));
  if (kernal == basic) return std::nullopt;
  return kernal ? TRomSlot::Kernal : TRomSlot::Basic;
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::optional<TRomSlot> SlotByName(const std::string& lowerName) {
  if (lowerName.starts_with("kernal") || lowerName.starts_with("kernel")) return TRomSlot::Kernal;
  if (lowerName.starts_with("basic")) return TRomSlot::Basic;
  if (lowerName.starts_with("char")) return TRomSlot::Chars;
  return std::nullopt;
}

bool LooksLikeRomFile(const std::string& lowerName) {
  return SlotByName(lowerName) || lowerName.ends_with(".rom") || lowerName.ends_with(".bin");
}

std::vector<fs::path> RegularFilesByName(const std::string& folder) {
  std::vector<fs::path> files;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    std::error_code typeError;
    if (it->is_regular_file(typeError)) files.push_back(it->path());
  }
  std::sort(files.begin(), files.end(),
            [](const fs::path& a, const fs::path& b) { return a.filename() < b.filename(); });
  return files;
}

}  // namespace

std::string RomFolderPath() {
  if (const char* override = std::getenv("VEXLOR_ROMS"); override && *override) return override;
  if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data == '/')
    return std::string(data) + "/vexlor/roms";
  if (const char* home = std::getenv("HOME"); home && *home)
    return std::string(home) + "/.local/share/vexlor/roms";
  return {};
}

TRomImages::TRomImages() { UseBuiltIn(); }

const std::array<uint8_t, TRomImages::PowerOnSize>& TRomImages::PowerOn() const {
  return firmware::PowerOn;
}

void TRomImages::UseBuiltIn() {
  KernalImage = firmware::Kernal;
  BasicImage = firmware::Basic;
  CharsImage = firmware::Chars;
  KernalPath.clear();
  BasicPath.clear();
  CharsPath.clear();
}

const std::string& TRomImages::SourcePath(TRomSlot slot) const {
  switch (slot) {
    case TRomSlot::Kernal: return KernalPath;
    case TRomSlot::Basic: return BasicPath;
    case TRomSlot::Chars: break;
  }
  return CharsPath;
}

bool TRomImages::AtBasicTrap(uint16_t pc) const {
  return (pc == firmware::BasicTrap && BuiltIn(TRomSlot::Basic)) ||
         (pc == firmware::KernalBasicTrap && BuiltIn(TRomSlot::Kernal));
}

bool TRomImages::LoadImage(TRomSlot slot, const std::string& path, std::string& message) {
  const size_t size = SlotSize(slot);
  const auto data = ReadLimited(path, size);
  if (!data) {
    message = path + " cannot be read; the built-in " + SlotName(slot) + " image is kept.";
    return false;
  }
  if (data->size() != size) {
    message = path + " has " + SizeText(data->size(), size) + ", but a " + SlotName(slot) +
              " ROM image has " + std::to_string(size) + "; the built-in " + SlotName(slot) +
              " image is kept.";
    return false;
  }
  switch (slot) {
    case TRomSlot::Kernal:
      std::copy(data->begin(), data->end(), KernalImage.begin());
      KernalPath = path;
      break;
    case TRomSlot::Basic:
      std::copy(data->begin(), data->end(), BasicImage.begin());
      BasicPath = path;
      break;
    case TRomSlot::Chars:
      std::copy(data->begin(), data->end(), CharsImage.begin());
      CharsPath = path;
      break;
  }
  message.clear();
  return true;
}

std::vector<std::string> TRomImages::LoadFolder(const std::string& folder) {
  std::vector<std::string> messages;
  bool taken[3] = {false, false, false};
  for (const fs::path& file : RegularFilesByName(folder)) {
    const std::string name = Lower(file.filename().string());
    if (!LooksLikeRomFile(name)) continue;
    const std::string path = file.string();
    std::optional<TRomSlot> slot = SlotByName(name);
    if (!slot) {
      const auto data = ReadLimited(path, KernalSize);
      if (!data) {
        messages.push_back(path + " cannot be read.");
        continue;
      }
      if (data->size() == CharsSize) {
        slot = TRomSlot::Chars;
      } else if (data->size() == KernalSize) {
        slot = SlotOf8KImage(*data);
        if (!slot) {
          messages.push_back(path + " cannot be told apart as a KERNAL or a BASIC ROM image; "
                                    "name it kernal... or basic... to use it.");
          continue;
        }
      } else {
        messages.push_back(path + " has " + SizeText(data->size(), KernalSize) +
                           ", which is not the size of a ROM image (8192 bytes for KERNAL and "
                           "BASIC, 4096 for characters); it is ignored.");
        continue;
      }
    }
    bool& slotTaken = taken[static_cast<int>(*slot)];
    if (slotTaken) {
      messages.push_back(path + " is ignored: the " + SlotName(*slot) + " image comes from " +
                         SourcePath(*slot) + ".");
      continue;
    }
    std::string message;
    if (LoadImage(*slot, path, message))
      slotTaken = true;
    else
      messages.push_back(message);
  }
  if (!BuiltIn(TRomSlot::Basic) && BuiltIn(TRomSlot::Kernal))
    messages.push_back("The BASIC ROM " + BasicPath +
                       " runs with the built-in KERNAL, which lacks BASIC's share of the KERNAL "
                       "ROM; add the matching KERNAL image for BASIC programs to run.");
  return messages;
}
