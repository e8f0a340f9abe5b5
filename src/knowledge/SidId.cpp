#include "knowledge/SidId.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "knowledge/TextFile.h"

namespace {

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The value of the token's leading hexadecimal digits, 0 when it has none, kept in 16 bits.
uint16_t LeadingHexValue(std::string_view token) {
  uint16_t value = 0;
  for (const char c : token) {
    const int digit = HexDigitValue(c);
    if (digit < 0) break;
    value = uint16_t(value << 4 | digit);
  }
  return value;
}

uint16_t TokenValue(std::string_view token) {
  if (token == "??") return TokenWildcard;
  if (token == "AND") return TokenAnd;
  if (token == "END") return TokenEnd;
  return LeadingHexValue(token);
}

bool IsByteToken(uint16_t token) {
  return token != TokenWildcard && token != TokenAnd && token != TokenEnd;
}

bool IsSeparator(char c) { return static_cast<unsigned char>(c) <= ' '; }

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

bool LessIgnoringCase(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char x, char y) { return UpperAscii(x) < UpperAscii(y); });
}

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
  return !LessIgnoringCase(a, b) && !LessIgnoringCase(b, a);
}

std::string ExecutableDirectory() {
  std::error_code error;
  const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string(".") : executable.parent_path().string();
}

}  // namespace

TSignatureHolder TSignatureHolder::FromLine(std::string_view line) {
  std::vector<uint16_t> tokens;
  std::string token;
  for (size_t i = 0; i <= line.size(); ++i) {
    if (i == line.size() || IsSeparator(line[i])) {
      if (!token.empty()) tokens.push_back(TokenValue(token));
      token.clear();
    } else {
      token += UpperAscii(line[i]);
    }
  }
  return TSignatureHolder(std::move(tokens));
}

// A part of the signature (the tokens from start up to AND or END) is tried at every position.
// Once a part has matched, the next part is tried right after it and then from every later
// position, counted from where the matched part began. The budget of tokens per attempt keeps
// every byte read inside the scanned bytes; it also means a signature needs one byte to spare
// after its last matched byte.
bool TSignatureHolder::Matches(const uint8_t* bytes, size_t count) const {
  const size_t tokenCount = Tokens.size();
  size_t start = 0;
  bool ok = false;
  bool endSeen = false;
  for (size_t pos = 0; pos < count; ++pos) {
    ok = true;
    if (count - pos <= start) break;
    // Positions whose first byte differs fail at once; skip to the next candidate. A part that
    // begins with a byte cannot follow a seen END, so running out of candidates is a miss.
    if (start < tokenCount && IsByteToken(Tokens[start])) {
      const size_t limit = count - start;
      const void* hit = std::memchr(bytes + pos, Tokens[start] & 0xFF, limit - pos);
      if (hit == nullptr) return false;
      pos = size_t(static_cast<const uint8_t*>(hit) - bytes);
    }
    const size_t budget = count - pos - start;
    size_t consumed = 0;
    for (size_t step = 0, t = start; step < budget && t < tokenCount; ++step, ++t) {
      const uint16_t token = Tokens[t];
      if (token == TokenWildcard) {
        ++consumed;
      } else if (token == TokenAnd) {
        start = t + 1;
        ok = false;
      } else if (token == TokenEnd) {
        endSeen = true;
        break;
      } else if ((token & 0xFF) != bytes[pos + consumed]) {
        ok = false;
        break;
      } else {
        ok = true;
        ++consumed;
      }
    }
    if (ok) break;
  }
  return ok && endSeen;
}

bool TSignatureList::LoadFromFile(const std::string& fileName) {
  Clear();
  std::string text;
  if (!ReadFileBytes(fileName, text)) return false;
  ReadText(text);
  return true;
}

void TSignatureList::ReadText(std::string_view text) {
  TLineReader lines(text);
  std::string_view read;
  std::string name;
  bool haveName = false;
  while (lines.Next(read)) {
    const std::string_view line = TrimBlanks(read);
    if (line.size() < 3) continue;
    if (line[2] == ' ') {
      if (haveName) {
        Items.push_back(TItem{name, std::make_unique<TSignatureHolder>(TSignatureHolder::FromLine(line))});
      }
    } else {
      // Names are written without blanks in the file; "_" stands for one.
      name.assign(line);
      std::replace(name.begin(), name.end(), '_', ' ');
      haveName = true;
    }
  }
}

std::vector<std::string> TSidId::ScanFile(const std::string& fileName) {
  ReadFileBytes(fileName, FileBytes, MaxScanSize);
  Data = reinterpret_cast<const uint8_t*>(FileBytes.data());
  Size = FileBytes.size();
  return MatchAll();
}

std::vector<std::string> TSidId::ScanMemory(const uint8_t* image) {
  Data = image;
  Size = MaxScanSize;
  return MatchAll();
}

std::vector<std::string> TSidId::MatchAll() const {
  std::vector<std::string> names;
  if (Size == 0) return names;
  for (const TSignatureList::TItem& item : Signatures.Entries()) {
    if (!item.Holder->Matches(Data, Size)) continue;
    const std::string_view name = TrimBlanks(item.Name);
    if (!name.empty()) names.emplace_back(name);
  }
  std::stable_sort(names.begin(), names.end(), LessIgnoringCase);
  names.erase(std::unique(names.begin(), names.end(), EqualIgnoringCase), names.end());
  return names;
}

std::string ResolveSidIdConfigFile(const std::string& configuredFile) {
  if (!TrimBlanks(configuredFile).empty()) return configuredFile;
  const char* environment = std::getenv("SIDIDCFG");
  if (environment != nullptr && !TrimBlanks(environment).empty()) return environment;
  return ExecutableDirectory() + "/sidid.cfg";
}

TSignatureList& Signatures() {
  static TSignatureList list;
  return list;
}
