#pragma once
// Player identification: names the music routine(s) a tune uses by searching its bytes for the
// byte signatures of a SID ID configuration file (sidid.cfg). A signature line holds hex bytes,
// "??" for any one byte, "AND" to search the rest anew further on, and "END".
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

constexpr uint16_t TokenWildcard = 0x1000;
constexpr uint16_t TokenAnd = 0x2000;
constexpr uint16_t TokenEnd = 0xFFFF;

class TSignatureHolder {
 public:
  explicit TSignatureHolder(std::vector<uint16_t> tokens) : Tokens(std::move(tokens)) {}
  // Turns one signature line into tokens; every blank-separated word is one token.
  static TSignatureHolder FromLine(std::string_view line);

  bool Matches(const uint8_t* bytes, size_t count) const;
  const std::vector<uint16_t>& Signature() const { return Tokens; }

 private:
  std::vector<uint16_t> Tokens;
};

class TSignatureList {
 public:
  struct TItem {
    std::string Name;
    std::unique_ptr<TSignatureHolder> Holder;
  };

  // Empties the list and reads the file; false (and an empty list) when it cannot be read.
  bool LoadFromFile(const std::string& fileName);
  // Appends the signatures of a configuration file's text, in file order.
  void ReadText(std::string_view text);
  void Clear() { Items.clear(); }

  const std::vector<TItem>& Entries() const { return Items; }

 private:
  std::vector<TItem> Items;
};

// One scan: the bytes of a file or of a C64 memory image, matched against every signature.
class TSidId {
 public:
  static constexpr size_t MaxScanSize = 65535;

  explicit TSidId(const TSignatureList& signatures) : Signatures(signatures) {}
  // Scans up to 65535 bytes of the file; nothing when it cannot be read.
  std::vector<std::string> ScanFile(const std::string& fileName);
  // Scans a 64 KB C64 memory image from $0000 to $FFFE.
  std::vector<std::string> ScanMemory(const uint8_t* image);
  // The names of all matching signatures, each once, sorted without regard to case.
  std::vector<std::string> MatchAll() const;

 private:
  const TSignatureList& Signatures;
  const uint8_t* Data = nullptr;
  std::string FileBytes;
  size_t Size = 0;
};

// The signature file to use: the SidIDConfigFile setting, else $SIDIDCFG, else sidid.cfg beside
// the program.
std::string ResolveSidIdConfigFile(const std::string& configuredFile);

// The process-wide signature list, loaded at start-up from the file the settings name. Loading
// replaces the list; a missing file leaves it empty.
TSignatureList& Signatures();
void LoadSignatures();
// After a new SidIDConfigFile was stored.
inline void ReloadSignatures() { LoadSignatures(); }
