// The Vexlor Player program. A start while another instance runs hands its file to that one and
// ends. The first instance sets up the process, loads the player signatures, opens the main
// window with its tray icon, media player service and hand-over socket, and plays the first
// argument after the window first shows.
#include <QApplication>
#include <QDBusConnection>
#include <QStringList>
#include <cstdlib>

#include "app/FileAssociation.h"
#include "app/MprisService.h"
#include "app/ProgramIcon.h"
#include "app/SingleInstance.h"
#include "app/TrayIcon.h"
#include "knowledge/SidId.h"
#include "platform/Clock.h"
#include "platform/Threads.h"
#include "player/dmSidPlayer.h"
#include "ui/frmSidPlayer.h"

namespace {

// The player and level threads inherit the main thread's processor; each setting is a request
// the system may refuse.
void SetUpProcess() {
  platform::SetThreadAffinity(0);
  std::srand(static_cast<unsigned>(platform::QueryCounter()));
  platform::SetProcessPriorityClass(platform::TPriorityClass::High);
  platform::SetThreadPriority(platform::TThreadPriority::AboveNormal);
}

}  // namespace

int main(int argc, char* argv[]) {
  SetUpProcess();
  TInstanceLock lock;
  if (!lock.Acquire()) {
    if (argc > 1) HandOverToRunningInstance(QString::fromLocal8Bit(argv[1]));
    return 0;
  }
  QApplication application(argc, argv);
  QApplication::setApplicationName(TVexlor::ApplicationTitle);
  QApplication::setApplicationVersion(VEXLOR_VERSION);
  QApplication::setDesktopFileName("vexlor");
  QApplication::setWindowIcon(ProgramIcon());
  LoadSignatures();
  TdmTimer timer;
  TVexlorSetup setup;
  const QStringList arguments = QApplication::arguments();
  if (arguments.size() > 1) setup.CommandLineFile = arguments[1];
  setup.SidFiles = {SidFilesRegistered, RegisterSidFiles, UnregisterSidFiles};
  TVexlor window(timer, std::move(setup));
  new TTrayIcon(window);
  (new TMprisService(window, QDBusConnection::sessionBus()))->Start();
  (new TInstanceServer(window))->Listen();
  window.BringToFront();
  return QApplication::exec();
}
