// Registering for .sid files against XDG folders of the test's own. xdg-mime, the desktop's own
// tool, checks what the desktop makes of the result where it is installed.
#include <gtest/gtest.h>

#include <QProcess>
#include <cstdlib>
#include <filesystem>

#include "app/FileAssociation.h"
#include "TestFiles.h"
#include "platform/Registry.h"

namespace {

using platform::THive;

std::string Contents(const std::filesystem::path& file) {
  const std::vector<uint8_t> bytes = ReadFileBytes(file);
  return std::string(bytes.begin(), bytes.end());
}

class FileAssociationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Folder = Scratch.Path;
    const std::pair<const char*, const char*> folders[] = {{"XDG_CONFIG_HOME", "config"},
                                                           {"XDG_DATA_HOME", "data"},
                                                           {"XDG_CONFIG_DIRS", "etc"},
                                                           {"XDG_DATA_DIRS", "usr"}};
    for (const auto& [variable, name] : folders) {
      std::filesystem::create_directories(Folder / name);
      setenv(variable, (Folder / name).c_str(), 1);
    }
    unsetenv("XDG_CURRENT_DESKTOP");
    setenv("VEXLOR_REGISTRY", (Folder / "registry.ini").c_str(), 1);
    // Another player, installed for the whole system.
    Scratch.Write("usr/applications/other.desktop",
          "[Desktop Entry]\nType=Application\nName=Other\nExec=other %f\nMimeType=audio/prs.sid;\n");
  }
  // What the desktop's own tool names as the default; nothing where it is not installed.
  std::optional<std::string> XdgMimeDefault() {
    QProcess query;
    query.start("xdg-mime", {"query", "default", TFileAssociation::MimeType});
    if (!query.waitForStarted() || !query.waitForFinished()) return std::nullopt;
    return query.readAllStandardOutput().trimmed().toStdString();
  }

  TScratchFolder Scratch;
  std::filesystem::path Folder;
  TFileAssociation Association{"/opt/Vexlor Player/vexlor"};
};

TEST_F(FileAssociationTest, RegisteringMakesTheProgramTheDefaultAndUnregisteringUndoesIt) {
  Scratch.Write("config/mimeapps.list", "[Default Applications]\ntext/plain=editor.desktop;\n");
  EXPECT_FALSE(Association.Registered());
  ASSERT_TRUE(Association.Register());
  EXPECT_TRUE(Association.Registered());
  EXPECT_EQ(TFileAssociation::DefaultHandler(), "vexlor.desktop");
  EXPECT_EQ(XdgMimeDefault().value_or("vexlor.desktop"), "vexlor.desktop");
  const std::string list = Contents(Folder / "config/mimeapps.list");
  EXPECT_NE(list.find("text/plain=editor.desktop;"), std::string::npos) << list;
  EXPECT_NE(list.find("[Default Applications]\naudio/prs.sid=vexlor.desktop;\n"), std::string::npos) << list;
  EXPECT_NE(list.find("[Added Associations]\naudio/prs.sid=vexlor.desktop;\n"), std::string::npos) << list;
  const std::string entry = Contents(Folder / "data/applications/vexlor.desktop");
  EXPECT_NE(entry.find("\nExec=\"/opt/Vexlor Player/vexlor\" %f\n"), std::string::npos) << entry;
  EXPECT_NE(entry.find("MimeType=audio/prs.sid;"), std::string::npos);
  QProcess validate;
  validate.start("desktop-file-validate", {QString::fromStdString((Folder / "data/applications/vexlor.desktop").string())});
  if (validate.waitForStarted() && validate.waitForFinished()) {
    EXPECT_EQ(validate.exitCode(), 0) << validate.readAll().toStdString();
  }
  EXPECT_TRUE(std::filesystem::exists(Folder / "data/mime/packages/vexlor.xml"));
  platform::TRegistryKey key;
  ASSERT_TRUE(key.Open(THive::ClassesRoot, ".sid"));
  EXPECT_EQ(key.ReadString(""), "Vexlor.File");
  ASSERT_TRUE(key.Open(THive::ClassesRoot, "Vexlor.File\\Shell\\Open\\Command"));
  EXPECT_EQ(key.ReadString(""), "\"/opt/Vexlor Player/vexlor\" \"%1\"");

  ASSERT_TRUE(Association.Unregister());
  EXPECT_FALSE(Association.Registered());
  EXPECT_EQ(TFileAssociation::DefaultHandler(), "");
  EXPECT_NE(XdgMimeDefault().value_or(""), "vexlor.desktop");
  EXPECT_EQ(Contents(Folder / "config/mimeapps.list").find("vexlor"), std::string::npos) << Contents(Folder / "config/mimeapps.list");
  EXPECT_NE(Contents(Folder / "config/mimeapps.list").find("text/plain=editor.desktop;"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(Folder / "data/applications/vexlor.desktop"));
  EXPECT_FALSE(platform::KeyExists(THive::ClassesRoot, ".sid"));
  EXPECT_FALSE(platform::KeyExists(THive::ClassesRoot, "Vexlor.File"));
}

TEST_F(FileAssociationTest, AnotherProgramsDefaultIsLeftAlone) {
  const std::string list = "# the user's choice\n[Default Applications]\naudio/prs.sid=other.desktop;\n";
  Scratch.Write("config/mimeapps.list", list);
  EXPECT_EQ(TFileAssociation::DefaultHandler(), "other.desktop");
  EXPECT_EQ(XdgMimeDefault().value_or("other.desktop"), "other.desktop");
  EXPECT_FALSE(Association.Registered());
  EXPECT_FALSE(Association.Unregister());
  EXPECT_EQ(Contents(Folder / "config/mimeapps.list"), list);
  EXPECT_EQ(TFileAssociation::DefaultHandler(), "other.desktop");
}

TEST_F(FileAssociationTest, ADesktopsOwnListDecidesAndRegisteringTakesItToo) {
  setenv("XDG_CURRENT_DESKTOP", "X-Test:KDE", 1);
  Scratch.Write("config/kde-mimeapps.list", "[Default Applications]\naudio/prs.sid=other.desktop;\n");
  Scratch.Write("usr/applications/mimeapps.list", "[Default Applications]\naudio/prs.sid=vexlor.desktop;\n");
  EXPECT_EQ(TFileAssociation::DefaultHandler(), "other.desktop") << "the user's list before the system's";
  ASSERT_TRUE(Association.Register());
  EXPECT_TRUE(Association.Registered());
  EXPECT_NE(Contents(Folder / "config/kde-mimeapps.list").find("audio/prs.sid=vexlor.desktop;"), std::string::npos);
  unsetenv("XDG_CURRENT_DESKTOP");
}

TEST_F(FileAssociationTest, AnEntryThatIsNotInstalledIsNoDefault) {
  Scratch.Write("config/mimeapps.list", "[Default Applications]\naudio/prs.sid=gone.desktop;other.desktop;\n");
  EXPECT_EQ(TFileAssociation::DefaultHandler(), "other.desktop");
}

}  // namespace
