#include "ui/DroppedFiles.h"

#include <filesystem>
#include <system_error>

namespace {

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> entries;
  std::error_code error;
  for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error))
    entries.push_back(entry->path().string());
  return entries;
}

bool ExistingFile(const std::string& path) {
  std::error_code error;
  return std::filesystem::exists(path, error) && !std::filesystem::is_directory(path, error);
}

}  // namespace

// The position right after the first addition names that entry whether it was appended,
// inserted or already current; later additions only go behind it.
std::optional<std::string> AddDroppedItems(TSongHistory& history, const std::vector<std::string>& items) {
  int32_t first = 0;
  const auto add = [&](const std::string& path) {
    history.AddToHistory(path);
    if (first == 0) first = history.Position();
  };
  for (const std::string& item : items) {
    if (ExistingFile(item)) {
      add(item);
    } else {
      for (const std::string& entry : FolderEntries(item)) add(entry);
    }
  }
  if (first == 0) return std::nullopt;
  history.MoveTo(first);
  return history.Current();
}
