#include "platform/RegistryFile.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace platform {
namespace {

constexpr char kSeparator = '\\';

struct THiveName {
  THive Hive;
  std::string_view Name;
};
constexpr std::array<THiveName, 3> kHiveNames{{{THive::CurrentUser, "HKEY_CURRENT_USER"},
                                              {THive::LocalMachine, "HKEY_LOCAL_MACHINE"},
                                              {THive::ClassesRoot, "HKEY_CLASSES_ROOT"}}};

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

std::string Lowered(std::string_view text) {
  std::string lowered(text);
  std::transform(lowered.begin(), lowered.end(), lowered.begin(), LowerAscii);
  return lowered;
}

bool SameName(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

bool IsControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }

bool IsValidKeyName(std::string_view name) {
  return !name.empty() && std::none_of(name.begin(), name.end(), IsControl);
}

std::string_view Trimmed(std::string_view line) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!line.empty() && blank(line.front())) line.remove_prefix(1);
  while (!line.empty() && blank(line.back())) line.remove_suffix(1);
  return line;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = LowerAscii(c);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Reads a quoted text from the start of rest and removes it from rest.
std::optional<std::string> TakeQuoted(std::string_view& rest) {
  if (rest.empty() || rest.front() != '"') return std::nullopt;
  std::string text;
  size_t at = 1;
  while (at < rest.size() && rest[at] != '"') {
    char c = rest[at++];
    if (c == '\\') {
      if (at >= rest.size()) return std::nullopt;
      const char escaped = rest[at++];
      switch (escaped) {
        case '\\': case '"': c = escaped; break;
        case 'n': c = '\n'; break;
        case 'r': c = '\r'; break;
        case 't': c = '\t'; break;
        case 'x': {
          if (at + 2 > rest.size()) return std::nullopt;
          const int high = HexDigit(rest[at]), low = HexDigit(rest[at + 1]);
          if (high < 0 || low < 0) return std::nullopt;
          c = char(high * 16 + low);
          at += 2;
          break;
        }
        default: return std::nullopt;
      }
    }
    text += c;
  }
  if (at >= rest.size()) return std::nullopt;
  rest.remove_prefix(at + 1);
  return text;
}

std::optional<int32_t> ParseInteger(std::string_view text) {
  constexpr std::string_view kPrefix = "dword:";
  if (text.size() <= kPrefix.size() || text.size() > kPrefix.size() + 8 ||
      !SameName(text.substr(0, kPrefix.size()), kPrefix))
    return std::nullopt;
  uint32_t value = 0;
  for (char c : text.substr(kPrefix.size())) {
    const int digit = HexDigit(c);
    if (digit < 0) return std::nullopt;
    value = value * 16 + uint32_t(digit);
  }
  return static_cast<int32_t>(value);
}

std::optional<std::string> KeyPathOfSection(std::string_view header) {
  const std::string_view hiveName = header.substr(0, header.find(kSeparator));
  for (const THiveName& hive : kHiveNames) {
    if (SameName(hiveName, hive.Name)) {
      const std::string_view below = header.substr(hiveName.size());
      if (below.empty()) return RegistryKeyPath(hive.Hive, below);
      return RegistryKeyPath(hive.Hive, below.substr(1));
    }
  }
  return std::nullopt;
}

// Reads one 'name=data' line into key.
bool ParseValueLine(std::string_view line, TRegistryKeyNode& key) {
  std::string name;
  if (line.starts_with('@')) {
    line.remove_prefix(1);
  } else {
    std::optional<std::string> quoted = TakeQuoted(line);
    if (!quoted) return false;
    name = std::move(*quoted);
  }
  line = Trimmed(line);
  if (!line.starts_with('=')) return false;
  line = Trimmed(line.substr(1));
  if (line.starts_with('"')) {
    std::optional<std::string> text = TakeQuoted(line);
    if (!text || !Trimmed(line).empty()) return false;
    key.Set(name, *text);
    return true;
  }
  const std::optional<int32_t> number = ParseInteger(line);
  if (!number) return false;
  key.Set(name, *number);
  return true;
}

void AppendQuoted(std::string& out, std::string_view text) {
  out += '"';
  for (char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '"': out += "\\\""; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (IsControl(c)) {
          char escaped[5];
          std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(c));
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  out += '"';
}

void AppendValue(std::string& out, const TRegistryValue& value) {
  if (value.Name.empty())
    out += '@';
  else
    AppendQuoted(out, value.Name);
  out += '=';
  if (const auto* text = std::get_if<std::string>(&value.Data)) {
    AppendQuoted(out, *text);
  } else {
    char number[16];
    std::snprintf(number, sizeof number, "dword:%08X", static_cast<uint32_t>(std::get<int32_t>(value.Data)));
    out += number;
  }
  out += '\n';
}

}  // namespace

const TRegistryData* TRegistryKeyNode::Find(std::string_view name) const {
  for (const TRegistryValue& value : Values) {
    if (SameName(value.Name, name)) return &value.Data;
  }
  return nullptr;
}

bool TRegistryKeyNode::Set(std::string_view name, const TRegistryData& data) {
  for (TRegistryValue& value : Values) {
    if (!SameName(value.Name, name)) continue;
    if (value.Data == data) return false;
    value.Data = data;
    return true;
  }
  Values.push_back({std::string(name), data});
  return true;
}

bool TRegistryKeyNode::Erase(std::string_view name) {
  const auto found = std::find_if(Values.begin(), Values.end(),
                                  [&](const TRegistryValue& value) { return SameName(value.Name, name); });
  if (found == Values.end()) return false;
  Values.erase(found);
  return true;
}

TRegistryTree::TRegistryTree() {
  for (const THiveName& hive : kHiveNames) Keys.emplace(Lowered(hive.Name), TRegistryKeyNode{std::string(hive.Name), {}});
}

const TRegistryKeyNode* TRegistryTree::Find(const std::string& path) const {
  const auto found = Keys.find(Lowered(path));
  return found == Keys.end() ? nullptr : &found->second;
}

TRegistryKeyNode* TRegistryTree::Find(const std::string& path) {
  const auto found = Keys.find(Lowered(path));
  return found == Keys.end() ? nullptr : &found->second;
}

TRegistryKeyNode& TRegistryTree::Create(const std::string& path) {
  TRegistryKeyNode* key = nullptr;
  for (size_t end = path.find(kSeparator);; end = path.find(kSeparator, end + 1)) {
    const std::string prefix = path.substr(0, end);
    key = &Keys.try_emplace(Lowered(prefix), TRegistryKeyNode{prefix, {}}).first->second;
    if (end == std::string::npos) return *key;
  }
}

bool TRegistryTree::Erase(const std::string& path) {
  const std::string lowered = Lowered(path);
  if (lowered.find(kSeparator) == std::string::npos || !Keys.erase(lowered)) return false;
  const std::string below = lowered + kSeparator;
  auto first = Keys.lower_bound(below);
  auto last = first;
  while (last != Keys.end() && last->first.starts_with(below)) ++last;
  Keys.erase(first, last);
  return true;
}

std::optional<std::string> RegistryKeyPath(THive hive, std::string_view path) {
  if (path.ends_with(kSeparator)) path.remove_suffix(1);
  std::string full(kHiveNames[size_t(hive)].Name);
  if (path.empty()) return full;
  for (size_t start = 0;;) {
    const size_t end = path.find(kSeparator, start);
    if (!IsValidKeyName(path.substr(start, end - start))) return std::nullopt;
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  full += kSeparator;
  full += path;
  return full;
}

std::optional<TRegistryTree> ParseRegistryText(std::string_view text) {
  TRegistryTree tree;
  TRegistryKeyNode* key = nullptr;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    const std::string_view line = Trimmed(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;
    if (line.front() == '[') {
      if (line.size() < 2 || line.back() != ']') return std::nullopt;
      const std::optional<std::string> path = KeyPathOfSection(line.substr(1, line.size() - 2));
      if (!path) return std::nullopt;
      key = &tree.Create(*path);
    } else if (!key || !ParseValueLine(line, *key)) {
      return std::nullopt;
    }
  }
  return tree;
}

std::string FormatRegistryText(const TRegistryTree& tree) {
  std::string text = "; Vexlor registry. Texts escape \\\\ \\\" \\n \\r \\t \\xHH; integers are dword:hex.\n";
  for (const auto& [lowered, key] : tree.Keys) {
    // Empty hive roots are implied; every other key exists even without values.
    if (key.Values.empty() && lowered.find(kSeparator) == std::string::npos) continue;
    text += "\n[" + key.Path + "]\n";
    for (const TRegistryValue& value : key.Values) AppendValue(text, value);
  }
  return text;
}

}  // namespace platform
