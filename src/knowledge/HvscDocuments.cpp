#include "knowledge/HvscDocuments.h"

#include "knowledge/TextFile.h"

namespace {

// The folder above one that ends in "/", itself ending in "/".
std::string ParentFolder(const std::string& folder) {
  const std::string withoutSlash = folder.substr(0, folder.size() - 1);
  return withoutSlash.substr(0, withoutSlash.rfind('/') + 1);
}

}  // namespace

std::optional<THvscDocument> FindHvscDocument(std::string directory, const std::string& name) {
  if (directory.size() <= 1) return std::nullopt;
  if (directory.back() != '/') directory += '/';
  const THvscDocument candidates[] = {
      {directory + "C64Music/DOCUMENTS/" + name, directory + "C64Music/"},
      {directory + "DOCUMENTS/" + name, directory},
      {directory + name, ParentFolder(directory)},
  };
  for (const THvscDocument& candidate : candidates) {
    if (FileExists(candidate.Path)) return candidate;
  }
  return std::nullopt;
}
