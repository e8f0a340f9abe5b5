// The tray tests run on an X server of their own (Xvfb) with a small notification area host
// (trayer) on it, so that the icon really docks. Without either program the tests skip.
#include <gtest/gtest.h>

#include <QApplication>
#include <QProcess>
#include <QThread>
#include <memory>

#include "app/tray/TrayHost.h"

namespace {

class TTrayEnvironment : public ::testing::Environment {
 public:
  TTrayEnvironment(int& argc, char** argv) : Argc(argc), Argv(argv) {}

  void SetUp() override {
    Server.setProgram("Xvfb");
    Server.setArguments({"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "800x600x24"});
    Server.start(QIODevice::ReadOnly);
    if (Server.waitForStarted() && Server.waitForReadyRead(10000)) {
      const QByteArray display = ":" + Server.readLine().trimmed();
      qputenv("DISPLAY", display);
      Host.setProgram("trayer");
      Host.setArguments({"--edge", "top", "--align", "right", "--widthtype", "pixel", "--width", "80", "--height", "24",
                         "--transparent", "false"});
      Host.start(QIODevice::NotOpen);
      TrayHostProblem = Host.waitForStarted() ? "" : "no notification area host: trayer is not installed";
    } else {
      TrayHostProblem = "no X server for the tray: Xvfb (package xvfb) is not installed";
    }
    qputenv("QT_QPA_PLATFORM", TrayHostProblem.empty() ? "xcb" : "offscreen");
    Application = std::make_unique<QApplication>(Argc, Argv);
  }

  void TearDown() override {
    Application.reset();
    for (QProcess* process : {&Host, &Server}) {
      process->terminate();
      if (!process->waitForFinished(5000)) process->kill();
    }
  }

 private:
  int& Argc;
  char** Argv;
  QProcess Server;
  QProcess Host;
  std::unique_ptr<QApplication> Application;
};

}  // namespace

std::string TrayHostProblem;

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new TTrayEnvironment(argc, argv));
  return RUN_ALL_TESTS();
}
