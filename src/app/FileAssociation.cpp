#include "app/FileAssociation.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <sstream>
#include <vector>

#include "app/DesktopFiles.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/Registry.h"
#include "platform/UserFolders.h"

namespace {

using platform::THive;

constexpr const char* DefaultsGroup = "[Default Applications]";
constexpr const char* AddedGroup = "[Added Associations]";
constexpr const char* FileClass = "Vexlor.File";
constexpr const char* ExecLine = "Exec=vexlor ";

std::string ListFileName(const std::string& desktop) {
  return desktop.empty() ? "mimeapps.list" : desktop + "-mimeapps.list";
}

// The lists a desktop reads, in its order: the desktop's own before the common one, the user's
// settings before the system's, then the same in the application folders.
std::vector<std::string> MimeAppsLists() {
  std::vector<std::string> desktops = platform::CurrentDesktops();
  desktops.push_back("");
  std::vector<std::string> folders{platform::ConfigHome()};
  for (const std::string& folder : platform::ConfigDirs()) folders.push_back(folder);
  folders.push_back(platform::DataHome() + "/applications");
  for (const std::string& folder : platform::DataDirs()) folders.push_back(folder + "/applications");
  std::vector<std::string> lists;
  for (const std::string& folder : folders)
    for (const std::string& desktop : desktops) lists.push_back(folder + "/" + ListFileName(desktop));
  return lists;
}

// The lists of the user's own, which registering and unregistering may change.
std::vector<std::string> UserMimeAppsLists() {
  std::vector<std::string> desktops = platform::CurrentDesktops();
  desktops.push_back("");
  std::vector<std::string> lists;
  for (const std::string& folder : {platform::ConfigHome(), platform::DataHome() + "/applications"})
    for (const std::string& desktop : desktops) lists.push_back(folder + "/" + ListFileName(desktop));
  return lists;
}

bool DesktopEntryInstalled(const std::string& id) {
  std::vector<std::string> folders{platform::DataHome()};
  for (const std::string& folder : platform::DataDirs()) folders.push_back(folder);
  for (const std::string& folder : folders)
    if (access((folder + "/applications/" + id).c_str(), R_OK) == 0) return true;
  return false;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

std::vector<std::string> Entries(const std::string& value) {
  std::vector<std::string> entries;
  std::istringstream stream(value);
  for (std::string entry; std::getline(stream, entry, ';');)
    if (!entry.empty()) entries.push_back(entry);
  return entries;
}

std::string EntryList(const std::vector<std::string>& entries) {
  std::string value;
  for (const std::string& entry : entries) value += entry + ";";
  return value;
}

// One of a mimeapps.list's groups, edited line by line so that everything else stays as it was.
class TMimeAppsList {
 public:
  explicit TMimeAppsList(std::string path) : Path(std::move(path)) {
    std::string text;
    if (platform::ReadFile(Path, text)) Text = Lines(text);
  }

  std::vector<std::string> Value(const char* group, const std::string& key) const {
    const auto line = Find(group, key);
    return line ? Entries(Text[*line].substr(key.size() + 1)) : std::vector<std::string>{};
  }

  // An empty list removes the key.
  void SetValue(const char* group, const std::string& key, const std::vector<std::string>& entries) {
    if (const auto line = Find(group, key)) {
      if (entries.empty()) {
        Text.erase(Text.begin() + static_cast<std::ptrdiff_t>(*line));
      } else {
        Text[*line] = key + "=" + EntryList(entries);
      }
      return;
    }
    if (entries.empty()) return;
    size_t header = GroupStart(group);
    if (header == Text.size()) {
      if (!Text.empty() && !Text.back().empty()) Text.push_back("");
      Text.push_back(group);
      header = Text.size() - 1;
    }
    Text.insert(Text.begin() + static_cast<std::ptrdiff_t>(header + 1), key + "=" + EntryList(entries));
  }

  bool Save() const {
    return platform::CreateFolders(platform::FolderOf(Path)) && platform::ReplaceFile(Path, Joined(Text));
  }

 private:
  size_t GroupStart(const char* group) const {
    for (size_t line = 0; line < Text.size(); ++line)
      if (Text[line] == group) return line;
    return Text.size();
  }

  std::optional<size_t> Find(const char* group, const std::string& key) const {
    for (size_t line = GroupStart(group) + 1; line < Text.size() && !Text[line].starts_with('['); ++line)
      if (Text[line].starts_with(key + "=")) return line;
    return std::nullopt;
  }

  std::string Path;
  std::vector<std::string> Text;
};

std::vector<std::string> Without(std::vector<std::string> entries, const std::string& entry) {
  std::erase(entries, entry);
  return entries;
}

std::vector<std::string> InFront(const std::vector<std::string>& entries, const std::string& entry) {
  std::vector<std::string> result{entry};
  for (const std::string& other : Without(entries, entry)) result.push_back(other);
  return result;
}

// A desktop entry's Exec argument: quoted, the characters that quoting reserves escaped, every
// backslash doubled once more for the entry's string syntax, and "%" doubled for field codes.
std::string ExecArgument(const std::string& path) {
  std::string quoted = "\"";
  for (const char c : path) {
    if (c == '"' || c == '`' || c == '$') {
      quoted += "\\\\";
      quoted += c;
    } else if (c == '\\') {
      quoted += "\\\\\\\\";
    } else if (c == '%') {
      quoted += "%%";
    } else {
      quoted += c;
    }
  }
  return quoted + "\"";
}

std::string OwnProgramPath() {
  std::string path(4096, '\0');
  const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
  return length > 0 ? path.substr(0, static_cast<size_t>(length)) : std::string("vexlor");
}

std::string DesktopEntryPath() { return platform::DataHome() + "/applications/" + TFileAssociation::DesktopEntry; }

std::string MimePackagePath() { return platform::DataHome() + "/mime/packages/vexlor.xml"; }

}  // namespace

TFileAssociation::TFileAssociation(std::string programPath)
    : ProgramPath(programPath.empty() ? OwnProgramPath() : std::move(programPath)) {}

std::string TFileAssociation::DefaultHandler() {
  for (const std::string& path : MimeAppsLists())
    for (const std::string& entry : TMimeAppsList(path).Value(DefaultsGroup, MimeType))
      if (DesktopEntryInstalled(entry)) return entry;
  return {};
}

bool TFileAssociation::Registered() const { return DefaultHandler() == DesktopEntry; }

bool TFileAssociation::Register() {
  bool written = WriteDesktopEntry() && WriteMimePackage();
  // The user's common list takes the default, and every list of the user's own that would
  // override it with another handler takes it as well.
  const std::string common = platform::ConfigHome() + "/mimeapps.list";
  for (const std::string& path : UserMimeAppsLists()) {
    TMimeAppsList list(path);
    if (path != common && list.Value(DefaultsGroup, MimeType).empty()) continue;
    list.SetValue(DefaultsGroup, MimeType, {DesktopEntry});
    list.SetValue(AddedGroup, MimeType, InFront(list.Value(AddedGroup, MimeType), DesktopEntry));
    written = list.Save() && written;
  }
  WriteRegistryKeys();
  RefreshDesktopDatabases();
  return written;
}

bool TFileAssociation::Unregister() {
  if (!Registered()) return false;
  bool written = true;
  for (const std::string& path : UserMimeAppsLists()) {
    TMimeAppsList list(path);
    const std::vector<std::string> defaults = list.Value(DefaultsGroup, MimeType);
    const std::vector<std::string> added = list.Value(AddedGroup, MimeType);
    if (Without(defaults, DesktopEntry) == defaults && Without(added, DesktopEntry) == added) continue;
    list.SetValue(DefaultsGroup, MimeType, Without(defaults, DesktopEntry));
    list.SetValue(AddedGroup, MimeType, Without(added, DesktopEntry));
    written = list.Save() && written;
  }
  std::remove(DesktopEntryPath().c_str());
  std::remove(MimePackagePath().c_str());
  RemoveRegistryKeys();
  RefreshDesktopDatabases();
  return written;
}

bool TFileAssociation::WriteDesktopEntry() const {
  std::vector<std::string> lines = Lines(DesktopEntryTemplate);
  for (std::string& line : lines)
    if (line.starts_with(ExecLine)) line = "Exec=" + ExecArgument(ProgramPath) + " " + line.substr(std::string(ExecLine).size());
  const std::string path = DesktopEntryPath();
  return platform::CreateFolders(platform::FolderOf(path)) && platform::ReplaceFile(path, Joined(lines));
}

bool TFileAssociation::WriteMimePackage() const {
  const std::string path = MimePackagePath();
  return platform::CreateFolders(platform::FolderOf(path)) && platform::ReplaceFile(path, MimePackageText);
}

void TFileAssociation::WriteRegistryKeys() const {
  platform::TRegistryKey key;
  if (key.Create(THive::ClassesRoot, ".sid")) key.WriteString("", FileClass);
  if (key.Create(THive::ClassesRoot, FileClass)) key.WriteString("", "Vexlor File");
  if (key.Create(THive::ClassesRoot, std::string(FileClass) + "\\DefaultIcon")) key.WriteString("", ProgramPath + ",0");
  if (key.Create(THive::ClassesRoot, std::string(FileClass) + "\\Shell\\Open")) key.WriteString("", "&Open");
  if (key.Create(THive::ClassesRoot, std::string(FileClass) + "\\Shell\\Open\\Command"))
    key.WriteString("", "\"" + ProgramPath + "\" \"%1\"");
}

void TFileAssociation::RemoveRegistryKeys() {
  platform::TRegistryKey key;
  if (key.Open(THive::ClassesRoot, ".sid") && key.ReadString("") == FileClass) platform::DeleteKey(THive::ClassesRoot, ".sid");
  platform::DeleteKey(THive::ClassesRoot, FileClass);
}

// What tells the desktop that associations changed; a desktop without these tools reads the
// files themselves.
void TFileAssociation::RefreshDesktopDatabases() {
  platform::RunProgram({"update-mime-database", platform::DataHome() + "/mime"});
  platform::RunProgram({"update-desktop-database", "-q", platform::DataHome() + "/applications"});
}

bool RegisterSidFiles() { return TFileAssociation().Register(); }

bool UnregisterSidFiles() { return TFileAssociation().Unregister(); }

bool SidFilesRegistered() { return TFileAssociation().Registered(); }
