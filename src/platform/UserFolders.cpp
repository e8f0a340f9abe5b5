#include "platform/UserFolders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace platform {
namespace {

std::vector<std::string> SplitList(const std::string& text, bool absoluteOnly) {
  std::vector<std::string> items;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t colon = std::min(text.find(':', start), text.size());
    const std::string item = text.substr(start, colon - start);
    if (!item.empty() && (!absoluteOnly || item.front() == '/')) items.push_back(item);
    start = colon + 1;
  }
  return items;
}

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string FolderVariable(const char* name, const std::string& fallback) {
  const std::string value = Variable(name);
  return !value.empty() && value.front() == '/' ? value : fallback;
}

std::vector<std::string> FolderListVariable(const char* name, const std::vector<std::string>& fallback) {
  std::vector<std::string> folders = SplitList(Variable(name), true);
  return folders.empty() ? fallback : folders;
}

}  // namespace

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  passwd entry;
  passwd* found = nullptr;
  char buffer[4096];
  if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found) return found->pw_dir;
  return ".";
}

std::string ConfigHome() { return FolderVariable("XDG_CONFIG_HOME", HomeFolder() + "/.config"); }

std::string DataHome() { return FolderVariable("XDG_DATA_HOME", HomeFolder() + "/.local/share"); }

std::vector<std::string> ConfigDirs() { return FolderListVariable("XDG_CONFIG_DIRS", {"/etc/xdg"}); }

std::vector<std::string> DataDirs() {
  return FolderListVariable("XDG_DATA_DIRS", {"/usr/local/share", "/usr/share"});
}

std::vector<std::string> CurrentDesktops() {
  std::vector<std::string> desktops = SplitList(Variable("XDG_CURRENT_DESKTOP"), false);
  for (std::string& desktop : desktops)
    for (char& c : desktop)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return desktops;
}

}  // namespace platform
