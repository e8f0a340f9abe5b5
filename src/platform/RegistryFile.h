#pragma once
// The registry store's keys in memory and their text form: one section per key, in the
// style of exported registry files.
//
//   [HKEY_LOCAL_MACHINE\SOFTWARE\Vexlor]
//   "HomeDirectory"="/home/me/C64Music"
//   "MaxForwardSpeed"=dword:00000014
//   @="the key's default value"
//
// Texts are quoted; backslash, quote and control characters are written as \\ \" \n \r \t
// and \xHH, every other byte (UTF-8 included) as it is. Integers are 32-bit two's complement
// in hexadecimal. '@' names a key's default (unnamed) value. Blank lines and lines starting
// with ';' or '#' are ignored, so the file can be edited by hand.
//
// Key and value names compare case-insensitively in ASCII (other bytes must match exactly)
// and keep the case they were created with.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/Registry.h"

namespace platform {

using TRegistryData = std::variant<std::string, int32_t>;

struct TRegistryValue {
  std::string Name;
  TRegistryData Data;
};

struct TRegistryKeyNode {
  std::string Path;  // with the hive's name: "HKEY_CURRENT_USER\Software\Vexlor"
  std::vector<TRegistryValue> Values;

  const TRegistryData* Find(std::string_view name) const;
  // True when the value was added or changed.
  bool Set(std::string_view name, const TRegistryData& data);
  bool Erase(std::string_view name);
};

// Every key of the three hives; a key's parents always exist, the hives' roots included.
class TRegistryTree {
 public:
  TRegistryTree();
  const TRegistryKeyNode* Find(const std::string& path) const;
  TRegistryKeyNode* Find(const std::string& path);
  // Finds a key, creating it and its missing parents.
  TRegistryKeyNode& Create(const std::string& path);
  // Removes a key with all its sub-keys; a hive's root stays. False when there was none.
  bool Erase(const std::string& path);

 private:
  friend std::string FormatRegistryText(const TRegistryTree& tree);
  std::map<std::string, TRegistryKeyNode> Keys;  // by lower-cased path
};

// The full path of a key below a hive ("SOFTWARE\Vexlor\" gives
// "HKEY_LOCAL_MACHINE\SOFTWARE\Vexlor"; "" gives the hive's root). A trailing separator is
// ignored; empty names and control characters in names are refused.
std::optional<std::string> RegistryKeyPath(THive hive, std::string_view path);

// The keys of a file's text, or nothing when any line cannot be understood.
std::optional<TRegistryTree> ParseRegistryText(std::string_view text);
std::string FormatRegistryText(const TRegistryTree& tree);

}  // namespace platform
