#pragma once
// The registry store: hives of keys holding text and integer values, kept in one
// human-readable file that every change rewrites atomically (temporary file, flush, rename).
//
// Key paths use "\" as separator, as on Windows ("SOFTWARE\Vexlor\"); a trailing separator
// is ignored, "" names the hive's root, and names compare case-insensitively. The file is
// $VEXLOR_REGISTRY when set, else $XDG_CONFIG_HOME/vexlor/registry.ini (~/.config when unset);
// platform/RegistryFile.h describes its text.
//
// A change that cannot reach the disk (read-only folder, full disk) leaves the file as it was
// and reports false. A file that cannot be understood is renamed aside to
// "<file>.corrupt" (".corrupt.1", ... when that exists) and the store starts empty; when it
// cannot be set aside, reads find nothing and every change fails, so it is never overwritten.
// Several program instances share the file: each change runs under an advisory lock on
// "<file>.lock" and starts from the file's current contents.
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

enum class THive { CurrentUser, LocalMachine, ClassesRoot };

// Location of the store file for this process.
std::string RegistryFilePath();

// A handle on one key. All operations are thread-safe and report failure by their result;
// none throws. Each operation re-reads the file when another process changed it. Reads and
// writes through a handle whose key has since been deleted fail. The value name "" is the
// key's default value.
class TRegistryKey {
 public:
  // Opens an existing key; false (and an unusable handle) when it does not exist.
  bool Open(THive hive, const std::string& path);
  // Opens a key, creating it and its parents when missing.
  bool Create(THive hive, const std::string& path);
  bool IsOpen() const { return Opened; }
  void Close() { Opened = false; }

  // Nothing when the value is missing or holds the other type.
  std::optional<std::string> ReadString(const std::string& name) const;
  std::optional<int32_t> ReadInteger(const std::string& name) const;
  bool WriteString(const std::string& name, const std::string& value);
  bool WriteInteger(const std::string& name, int32_t value);
  bool DeleteValue(const std::string& name);
  bool ValueExists(const std::string& name) const;

 private:
  std::string Path;  // with the hive's name
  bool Opened = false;
};

bool KeyExists(THive hive, const std::string& path);
// Deletes a key with its values and sub-keys; false when it did not exist or the write failed.
// A hive's root cannot be deleted.
bool DeleteKey(THive hive, const std::string& path);

}  // namespace platform
