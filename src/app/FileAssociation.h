#pragma once
// The association of ".sid" files with the program, kept the desktop's way: a desktop entry and
// a MIME package for "audio/prs.sid" (PSID and RSID files) in the user's data folder, the user's
// default handler for that type in mimeapps.list, and the file class keys of the registry
// (".sid" = "Vexlor.File" ...). Every folder follows the XDG base directory variables.
#include <string>

class TFileAssociation {
 public:
  static constexpr const char* MimeType = "audio/prs.sid";
  static constexpr const char* DesktopEntry = "vexlor.desktop";

  // programPath: what the desktop entry starts; empty: this program's own file.
  explicit TFileAssociation(std::string programPath = {});

  // Makes the program the user's default handler; false when a file could not be written.
  bool Register();
  // Only while the program is the default handler: another program's default stays as it is.
  // False when there was nothing to undo or a file could not be written.
  bool Unregister();
  // The desktop opens "audio/prs.sid" files with this program's desktop entry.
  bool Registered() const;
  // The desktop entry the desktop finds as the type's default handler; empty when none is set.
  static std::string DefaultHandler();

 private:
  bool WriteDesktopEntry() const;
  bool WriteMimePackage() const;
  void WriteRegistryKeys() const;
  static void RemoveRegistryKeys();
  static void RefreshDesktopDatabases();

  std::string ProgramPath;
};

// The preferences dialog's three operations on the association.
bool RegisterSidFiles();
bool UnregisterSidFiles();
bool SidFilesRegistered();
