#include "platform/Registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <string_view>
#include <utility>

#include "platform/Files.h"
#include "platform/RegistryFile.h"
#include "platform/UserFolders.h"

namespace platform {
namespace {

// Identifies one version of the file; every change renames a new file into place, so a
// change by another process always shows as a new inode or new times.
struct TFileStamp {
  bool Exists = false;
  dev_t Device = 0;
  ino_t Inode = 0;
  off_t Size = 0;
  int64_t Modified = 0;
  int64_t Changed = 0;
  bool operator==(const TFileStamp&) const = default;
};

int64_t Nanoseconds(const timespec& time) {
  return int64_t(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

TFileStamp StampOf(const struct stat& status) {
  return {true,
          status.st_dev,
          status.st_ino,
          status.st_size,
          Nanoseconds(status.st_mtim),
          Nanoseconds(status.st_ctim)};
}

// Nothing when the file's state cannot be learnt; a missing file has a stamp of its own.
std::optional<TFileStamp> CurrentStamp(const std::string& path) {
  struct stat status;
  if (stat(path.c_str(), &status) == 0) return StampOf(status);
  if (errno == ENOENT) return TFileStamp{};
  return std::nullopt;
}

// Moves a file that cannot be understood out of the way without ever replacing an older one.
bool SetAside(const std::string& path) {
  for (int attempt = 0; attempt < 1000; ++attempt) {
    const std::string aside = path + ".corrupt" + (attempt ? "." + std::to_string(attempt) : "");
    struct stat status;
    if (lstat(aside.c_str(), &status) == 0) continue;
    return errno == ENOENT && rename(path.c_str(), aside.c_str()) == 0;
  }
  return false;
}

// The lock that program instances take around every access to the file.
class TFileLock {
 public:
  explicit TFileLock(const std::string& path)
      : Descriptor(open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0600)) {
    int result = -1;
    while (Descriptor >= 0 && (result = flock(Descriptor, LOCK_EX)) != 0 && errno == EINTR) {
    }
    if (Descriptor >= 0 && result != 0) {
      close(Descriptor);
      Descriptor = -1;
    }
  }
  ~TFileLock() {
    if (Descriptor >= 0) close(Descriptor);
  }
  TFileLock(const TFileLock&) = delete;
  TFileLock& operator=(const TFileLock&) = delete;
  bool Held() const { return Descriptor >= 0; }

 private:
  int Descriptor;
};

enum class TChange { None, Made, Refused };

class TRegistryStore {
 public:
  template <class Reader>
  auto Read(Reader read) {
    std::lock_guard<std::mutex> guard(Lock);
    const std::string path = RegistryFilePath();
    // Where the lock cannot be created (a read-only folder) the file is read without it:
    // renames keep every version whole.
    const TFileLock fileLock(path + ".lock");
    Refresh(path);
    return read(std::as_const(Tree));
  }

  template <class Changer>
  bool Change(Changer change) {
    std::lock_guard<std::mutex> guard(Lock);
    const std::string path = RegistryFilePath();
    if (!CreateFolders(FolderOf(path))) return false;
    const TFileLock fileLock(path + ".lock");
    if (!fileLock.Held()) return false;
    Refresh(path);
    if (!Usable) return false;
    TRegistryTree changed = Tree;
    switch (change(changed)) {
      case TChange::None:
        return true;
      case TChange::Refused:
        return false;
      case TChange::Made:
        break;
    }
    if (!Save(path, changed)) return false;
    Tree = std::move(changed);
    return true;
  }

 private:
  void Refresh(const std::string& path) {
    if (Usable && path == LoadedPath && CurrentStamp(path) == Stamp) return;
    Load(path);
  }

  // Not usable after a failed load: the file exists but its contents are unknown, and a
  // change would overwrite them.
  void Load(const std::string& path) {
    Tree = TRegistryTree();
    LoadedPath = path;
    Stamp = TFileStamp{};
    Usable = false;
    const int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
      Usable = errno == ENOENT;
      return;
    }
    std::string text;
    struct stat status;
    const bool read = fstat(descriptor, &status) == 0 && ReadWhole(descriptor, text);
    close(descriptor);
    if (!read) return;
    if (std::optional<TRegistryTree> parsed = ParseRegistryText(text)) {
      Tree = std::move(*parsed);
      Stamp = StampOf(status);
      Usable = true;
    } else {
      Usable = SetAside(path);
    }
  }

  bool Save(const std::string& path, const TRegistryTree& tree) {
    if (!ReplaceFile(path, FormatRegistryText(tree))) return false;
    Stamp = CurrentStamp(path).value_or(TFileStamp{});
    return true;
  }

  std::mutex Lock;
  std::string LoadedPath;
  TFileStamp Stamp;
  bool Usable = false;
  TRegistryTree Tree;
};

TRegistryStore& Store() {
  static TRegistryStore store;
  return store;
}

template <class T>
std::optional<T> ReadValue(const std::string& keyPath, const std::string& name) {
  return Store().Read([&](const TRegistryTree& tree) -> std::optional<T> {
    const TRegistryKeyNode* key = tree.Find(keyPath);
    const TRegistryData* data = key ? key->Find(name) : nullptr;
    const T* value = data ? std::get_if<T>(data) : nullptr;
    return value ? std::optional<T>(*value) : std::nullopt;
  });
}

bool WriteValue(const std::string& keyPath, const std::string& name, const TRegistryData& data) {
  return Store().Change([&](TRegistryTree& tree) {
    TRegistryKeyNode* key = tree.Find(keyPath);
    if (!key) return TChange::Refused;
    return key->Set(name, data) ? TChange::Made : TChange::None;
  });
}

bool Exists(const std::string& keyPath) {
  return Store().Read([&](const TRegistryTree& tree) { return tree.Find(keyPath) != nullptr; });
}

}  // namespace

std::string RegistryFilePath() {
  if (const char* file = std::getenv("VEXLOR_REGISTRY"); file && *file) return file;
  return ConfigHome() + "/vexlor/registry.ini";
}

bool TRegistryKey::Open(THive hive, const std::string& path) {
  const std::optional<std::string> full = RegistryKeyPath(hive, path);
  Opened = full && Exists(*full);
  if (Opened) Path = *full;
  return Opened;
}

bool TRegistryKey::Create(THive hive, const std::string& path) {
  const std::optional<std::string> full = RegistryKeyPath(hive, path);
  Opened = full && Store().Change([&](TRegistryTree& tree) {
    if (tree.Find(*full)) return TChange::None;
    tree.Create(*full);
    return TChange::Made;
  });
  if (Opened) Path = *full;
  return Opened;
}

std::optional<std::string> TRegistryKey::ReadString(const std::string& name) const {
  return Opened ? ReadValue<std::string>(Path, name) : std::nullopt;
}

std::optional<int32_t> TRegistryKey::ReadInteger(const std::string& name) const {
  return Opened ? ReadValue<int32_t>(Path, name) : std::nullopt;
}

bool TRegistryKey::WriteString(const std::string& name, const std::string& value) {
  return Opened && WriteValue(Path, name, value);
}

bool TRegistryKey::WriteInteger(const std::string& name, int32_t value) {
  return Opened && WriteValue(Path, name, value);
}

bool TRegistryKey::DeleteValue(const std::string& name) {
  return Opened && Store().Change([&](TRegistryTree& tree) {
    TRegistryKeyNode* key = tree.Find(Path);
    return key && key->Erase(name) ? TChange::Made : TChange::Refused;
  });
}

bool TRegistryKey::ValueExists(const std::string& name) const {
  return Opened && Store().Read([&](const TRegistryTree& tree) {
    const TRegistryKeyNode* key = tree.Find(Path);
    return key && key->Find(name);
  });
}

bool KeyExists(THive hive, const std::string& path) {
  const std::optional<std::string> full = RegistryKeyPath(hive, path);
  return full && Exists(*full);
}

bool DeleteKey(THive hive, const std::string& path) {
  const std::optional<std::string> full = RegistryKeyPath(hive, path);
  return full && Store().Change([&](TRegistryTree& tree) {
    return tree.Erase(*full) ? TChange::Made : TChange::Refused;
  });
}

}  // namespace platform
