#pragma once
// The registry store: hives of keys holding text and integer values, kept in one
// human-readable file that every change rewrites atomically (temporary file, flush, rename).
//
// Key paths use "\" as separator, as on Windows ("SOFTWARE\Vexlor\"); a trailing separator
// is ignored and names compare case-insensitively. The file is
// $VEXLOR_REGISTRY when set, else $XDG_CONFIG_HOME/vexlor/registry.ini (~/.config when unset).
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

enum class THive { CurrentUser, LocalMachine, ClassesRoot };

// Location of the store file for this process.
std::string RegistryFilePath();

// A handle on one key. All operations are thread-safe and report failure by their result;
// none throws. Each operation re-reads the file when another process changed it.
class TRegistryKey {
 public:
  // Opens an existing key; false (and an unusable handle) when it does not exist.
  bool Open(THive hive, const std::string& path);
  // Opens a key, creating it and its parents when missing.
  bool Create(THive hive, const std::string& path);
  bool IsOpen() const { return Opened; }
  void Close() { Opened = false; }

  std::optional<std::string> ReadString(const std::string& name) const;
  std::optional<int32_t> ReadInteger(const std::string& name) const;
  bool WriteString(const std::string& name, const std::string& value);
  bool WriteInteger(const std::string& name, int32_t value);
  bool DeleteValue(const std::string& name);
  bool ValueExists(const std::string& name) const;

 private:
  THive Hive = THive::CurrentUser;
  std::string Path;
  bool Opened = false;
};

bool KeyExists(THive hive, const std::string& path);
// Deletes a key with its values and sub-keys; false when it did not exist or the write failed.
bool DeleteKey(THive hive, const std::string& path);

}  // namespace platform
