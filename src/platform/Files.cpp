#include "platform/Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {
namespace {

// Makes a finished rename survive a crash.
void SyncFolder(const std::string& folder) {
  const int descriptor = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor < 0) return;
  fsync(descriptor);
  close(descriptor);
}

}  // namespace

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool CreateFolders(const std::string& folder) {
  for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    if (mkdir(folder.substr(0, slash).c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) break;
  }
  struct stat status;
  return stat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool ReadWhole(int descriptor, std::string& text) {
  char chunk[8192];
  for (;;) {
    const ssize_t count = read(descriptor, chunk, sizeof chunk);
    if (count == 0) return true;
    if (count < 0 && errno != EINTR) return false;
    if (count > 0) text.append(chunk, size_t(count));
  }
}

bool WriteWhole(int descriptor, std::string_view text) {
  while (!text.empty()) {
    const ssize_t count = write(descriptor, text.data(), text.size());
    if (count < 0 && errno != EINTR) return false;
    if (count > 0) text.remove_prefix(size_t(count));
  }
  return true;
}

bool ReplaceFile(const std::string& path, std::string_view text) {
  std::string temporary = path + ".XXXXXX";
  const int descriptor = mkostemp(temporary.data(), O_CLOEXEC);
  if (descriptor < 0) return false;
  const bool written = WriteWhole(descriptor, text) && fsync(descriptor) == 0;
  if (close(descriptor) != 0 || !written || rename(temporary.c_str(), path.c_str()) != 0) {
    unlink(temporary.c_str());
    return false;
  }
  SyncFolder(FolderOf(path));
  return true;
}

bool ReadFile(const std::string& path, std::string& text) {
  const int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) return false;
  text.clear();
  const bool read = ReadWhole(descriptor, text);
  close(descriptor);
  return read;
}

}  // namespace platform
