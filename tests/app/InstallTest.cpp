// "cmake --install" into a folder of the test's own: the program, its icon in every size of the
// hicolor theme, a desktop entry that the desktop's validator accepts and a MIME package that the
// desktop's database compiler turns into PSID and RSID magic for audio/prs.sid.
#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <filesystem>

#include "TestFiles.h"
#include "app/ProgramIcon.h"

using namespace std::string_literals;

namespace {

std::string Contents(const std::filesystem::path& file) {
  const std::vector<uint8_t> bytes = ReadFileBytes(file);
  return std::string(bytes.begin(), bytes.end());
}

// The tool's exit status; nothing when it is not installed.
std::optional<int> RunTool(const QString& program, const QStringList& arguments, QString* output = nullptr) {
  QProcess tool;
  tool.setProcessChannelMode(QProcess::MergedChannels);
  tool.start(program, arguments);
  if (!tool.waitForStarted()) return std::nullopt;
  tool.waitForFinished(120000);
  if (output) *output = QString::fromUtf8(tool.readAll());
  return tool.exitCode();
}

class InstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Prefix = Scratch.Path;
    QString output;
    ASSERT_EQ(RunTool(VEXLOR_CMAKE, {"--install", VEXLOR_BINARY_DIR, "--prefix", QString::fromStdString(Prefix.string())},
                  &output),
              0)
        << output.toStdString();
  }
  TScratchFolder Scratch;
  std::filesystem::path Prefix;
};

TEST_F(InstallTest, InstallsTheProgramItsIconDesktopEntryAndMimePackage) {
  EXPECT_TRUE(std::filesystem::exists(Prefix / "bin/vexlor"));
  for (const int size : ProgramIconSizes) {
    const auto file = Prefix / ("share/icons/hicolor/" + std::to_string(size) + "x" + std::to_string(size) + "/apps/vexlor.png");
    EXPECT_EQ(QImage(QString::fromStdString(file.string())).size(), QSize(size, size)) << file;
  }

  const auto entry = Prefix / "share/applications/vexlor.desktop";
  QString complaints;
  const std::optional<int> valid = RunTool("desktop-file-validate", {QString::fromStdString(entry.string())}, &complaints);
  if (valid) {
    EXPECT_EQ(*valid, 0) << complaints.toStdString();
    EXPECT_EQ(complaints.trimmed(), "");
  }
  EXPECT_NE(Contents(entry).find("\nMimeType=audio/prs.sid;\n"), std::string::npos);

  const auto mime = Prefix / "share/mime";
  const std::optional<int> compiled = RunTool("update-mime-database", {QString::fromStdString(mime.string())}, &complaints);
  if (!compiled) GTEST_SKIP() << "update-mime-database (package shared-mime-info) is not installed";
  ASSERT_EQ(*compiled, 0) << complaints.toStdString();
  const std::string magic = Contents(mime / "magic");
  const size_t section = magic.find(":audio/prs.sid]\n");
  ASSERT_NE(section, std::string::npos);
  const std::string rules = magic.substr(section, magic.find("\n[", section) - section);
  EXPECT_NE(rules.find(">0=\0\4PSID"s), std::string::npos);
  EXPECT_NE(rules.find(">0=\0\4RSID"s), std::string::npos);
  EXPECT_NE(Contents(mime / "globs2").find(":audio/prs.sid:*.rsid"), std::string::npos);
}

}  // namespace
