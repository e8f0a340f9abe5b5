// The Vexlor Player program: the main window around the playback machinery, with the player
// signatures loaded once at start and the first argument played after the window first shows.
#include <QApplication>
#include <QStringList>

#include "knowledge/SidId.h"
#include "player/dmSidPlayer.h"
#include "ui/frmSidPlayer.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(TVexlor::ApplicationTitle);
  QApplication::setApplicationVersion(VEXLOR_VERSION);
  LoadSignatures();
  TdmTimer timer;
  TVexlorSetup setup;
  const QStringList arguments = QApplication::arguments();
  if (arguments.size() > 1) setup.CommandLineFile = arguments[1];
  TVexlor window(timer, std::move(setup));
  window.show();
  window.raise();
  window.activateWindow();
  return QApplication::exec();
}
