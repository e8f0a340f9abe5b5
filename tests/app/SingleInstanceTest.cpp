// Two real program processes on a private session bus and runtime folder of the test's own. The
// first instance is watched through its media player service; no SID card is reachable, so a
// handed-over tune is taken as the current file and reported as stopped.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>
#include <QUrl>
#include <chrono>
#include <filesystem>
#include <functional>

#include "TestFiles.h"
#include "app/PrivateBus.h"

namespace {

using namespace std::chrono_literals;

const std::filesystem::path Commando =
    std::filesystem::path(VEXLOR_TESTDATA) / "tunes/C64Music/MUSICIANS/H/Hubbard_Rob/Commando.sid";
constexpr const char* Service = "org.mpris.MediaPlayer2.vexlor";
constexpr int HandOverLimit = 1999;

bool Eventually(const std::function<bool()>& condition, std::chrono::milliseconds limit = 20s) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    QThread::msleep(20);
  }
  return true;
}

QString Url(const std::filesystem::path& file) {
  return QUrl::fromLocalFile(QString::fromStdString(file.string())).toString(QUrl::FullyEncoded);
}

class SingleInstanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(Commando)) GTEST_SKIP() << "test tunes missing: " << Commando;
    if (Bus.BusAddress().isEmpty()) GTEST_SKIP() << TPrivateBus::Missing;
    Folder = Scratch.Path;
    std::filesystem::create_directories(Folder / "run");
    chmod((Folder / "run").c_str(), 0700);
    Environment = QProcessEnvironment::systemEnvironment();
    Environment.insert("XDG_RUNTIME_DIR", QString::fromStdString((Folder / "run").string()));
    Environment.insert("VEXLOR_REGISTRY", QString::fromStdString((Folder / "registry.ini").string()));
    Environment.insert("VEXLOR_HARDSID_LIBRARY", QString::fromStdString((Folder / "no-hardsid.so").string()));
    Environment.insert("DBUS_SESSION_BUS_ADDRESS", Bus.BusAddress());
    Environment.insert("QT_QPA_PLATFORM", "offscreen");
    Client = std::make_unique<QDBusConnection>(Bus.Connect("watcher"));
  }
  void TearDown() override {
    if (First.state() != QProcess::NotRunning) {
      First.terminate();
      if (!First.waitForFinished(5000)) First.kill();
      First.waitForFinished();
    }
    Client.reset();
    QDBusConnection::disconnectFromBus("watcher");
  }

  // Starts the first instance and waits until its service is on the bus.
  bool StartFirst() {
    First.setProcessEnvironment(Environment);
    First.start(VEXLOR_PROGRAM, {});
    return First.waitForStarted() &&
           Eventually([&] { return Client->interface()->isServiceRegistered(Service).value(); });
  }
  // Runs a further start to its end; its exit status, or -1 when it did not end.
  int RunSecond(const QStringList& arguments) {
    QProcess second;
    second.setProcessEnvironment(Environment);
    second.start(VEXLOR_PROGRAM, arguments);
    if (!second.waitForFinished(30000)) {
      second.kill();
      second.waitForFinished();
      return -1;
    }
    return second.exitStatus() == QProcess::NormalExit ? second.exitCode() : -1;
  }
  QString FirstsUrl() {
    QDBusInterface player(Service, "/org/mpris/MediaPlayer2", "org.mpris.MediaPlayer2.Player", *Client);
    return qdbus_cast<QVariantMap>(player.property("Metadata")).value("xesam:url").toString();
  }

  TPrivateBus Bus;
  TScratchFolder Scratch;
  std::filesystem::path Folder;
  QProcessEnvironment Environment;
  std::unique_ptr<QDBusConnection> Client;
  QProcess First;
};

TEST_F(SingleInstanceTest, ASecondStartHandsItsFileToTheFirstAndEnds) {
  ASSERT_TRUE(StartFirst());
  EXPECT_EQ(RunSecond({}), 0);
  EXPECT_EQ(FirstsUrl(), "") << "a start without a file hands nothing over";
  EXPECT_EQ(RunSecond({QString::fromStdString(Commando.string())}), 0);
  EXPECT_TRUE(Eventually([&] { return FirstsUrl() == Url(Commando); })) << FirstsUrl().toStdString();
  EXPECT_EQ(First.state(), QProcess::Running);
}

// The first 1999 characters of the long path name a tune; the rest would name nothing.
TEST_F(SingleInstanceTest, APathOf2500CharactersArrivesCutTo1999) {
  std::string prefix = Folder.string();
  while (HandOverLimit - static_cast<int>(prefix.size()) - 1 > 250) {
    prefix += "/" + std::string(200, 'd');
    std::filesystem::create_directory(prefix);
  }
  prefix += "/" + std::string(static_cast<size_t>(HandOverLimit - static_cast<int>(prefix.size()) - 1), 't');
  ASSERT_EQ(prefix.size(), static_cast<size_t>(HandOverLimit));
  std::filesystem::create_symlink(Commando, prefix);
  const std::string argument = prefix + "/" + std::string(2500 - HandOverLimit - 1, 'x');
  ASSERT_EQ(argument.size(), 2500u);

  ASSERT_TRUE(StartFirst());
  EXPECT_EQ(RunSecond({QString::fromStdString(argument)}), 0);
  EXPECT_TRUE(Eventually([&] { return FirstsUrl() == Url(prefix); }));
}

TEST_F(SingleInstanceTest, AKilledInstanceLeavesNothingThatBlocksTheNextStart) {
  ASSERT_TRUE(StartFirst());
  First.kill();
  First.waitForFinished();
  EXPECT_TRUE(std::filesystem::exists(Folder / "run/Vexlor")) << "the killed instance left its socket";
  ASSERT_TRUE(Eventually([&] { return !Client->interface()->isServiceRegistered(Service).value(); }));

  ASSERT_TRUE(StartFirst()) << "the next start is the first instance again";
  EXPECT_EQ(RunSecond({QString::fromStdString(Commando.string())}), 0);
  EXPECT_TRUE(Eventually([&] { return FirstsUrl() == Url(Commando); }));
}

}  // namespace
