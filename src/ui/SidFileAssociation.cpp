#include "ui/SidFileAssociation.h"

#include "platform/Registry.h"

namespace {

constexpr platform::THive kHive = platform::THive::ClassesRoot;
constexpr char kExtension[] = ".sid";
constexpr char kFileClass[] = "Vexlor.File";

// Registry failures are not reported: the association is then simply not there.
void WriteDefault(const std::string& key, const std::string& value) {
  platform::TRegistryKey entry;
  if (entry.Create(kHive, key)) entry.WriteString("", value);
}

std::string ExtensionClass() {
  platform::TRegistryKey extension;
  if (!extension.Open(kHive, kExtension)) return std::string();
  return extension.ReadString("").value_or(std::string());
}

}  // namespace

bool SidFilesRegistered() { return ExtensionClass() == kFileClass && platform::KeyExists(kHive, kFileClass); }

void RegisterSidFiles(const std::string& programPath) {
  const std::string fileClass = kFileClass;
  WriteDefault(kExtension, fileClass);
  WriteDefault(fileClass, "Vexlor File");
  WriteDefault(fileClass + "\\DefaultIcon", programPath + ",0");
  WriteDefault(fileClass + "\\Shell\\Open", "&Open");
  WriteDefault(fileClass + "\\Shell\\Open\\Command", "\"" + programPath + "\" \"%1\"");
}

void UnregisterSidFiles() {
  if (ExtensionClass() != kFileClass) return;
  platform::DeleteKey(kHive, kExtension);
  if (platform::KeyExists(kHive, kFileClass)) platform::DeleteKey(kHive, kFileClass);
}
