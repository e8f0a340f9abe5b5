#include "app/TrayIcon.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QMenu>
#include <QSystemTrayIcon>

#include "app/ProgramIcon.h"
#include "player/PlaybackKeys.h"
#include "ui/frmSidPlayer.h"

TTrayIcon::TTrayIcon(TVexlor& window)
    : QObject(&window), Window(window), TrayIcon(new QSystemTrayIcon(this)), TrayMenu(new QMenu(&window)) {
  TrayIcon->setIcon(ProgramIcon());
  TrayIcon->setToolTip(TVexlor::ApplicationTitle);
  BuildMenu();
  TrayIcon->setContextMenu(TrayMenu);
  connect(TrayMenu, &QMenu::aboutToShow, this, [this] { PrepareMenu(); });
  // Hosts that speak the StatusNotifier protocol report a single click where others report two.
  connect(TrayIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::DoubleClick || reason == QSystemTrayIcon::Trigger) Restore();
  });
  QAction& item = Window.MinimizeToTrayAction();
  connect(&item, &QAction::triggered, this, [this] { MinimizeToTray(); });
  for (QObject* menu : item.associatedObjects())
    if (auto* owner = qobject_cast<QMenu*>(menu)) connect(owner, &QMenu::aboutToShow, this, [this] { RefreshAvailability(); });
  RefreshAvailability();
  // However the window comes back (the desktop's media player interface, a second start), the
  // icon goes.
  Window.installEventFilter(this);
}

void TTrayIcon::BuildMenu() {
  TrayMenu->setObjectName("TrayMenu");
  TrayMenu->addAction("Restore Vexlor", this, [this] { Restore(); });
  TrayMenu->addSeparator();
  TPlaybackKeys& keys = Window.Keys();
  PlayItem = TrayMenu->addAction("&Play", this, [&keys] { keys.Tray(TTrayCommand::Play); });
  StopItem = TrayMenu->addAction("&Stop", this, [&keys] { keys.Tray(TTrayCommand::Stop); });
  PreviousItem = TrayMenu->addAction("&Previous", this, [&keys] { keys.Tray(TTrayCommand::Previous); });
  NextItem = TrayMenu->addAction("&Next", this, [&keys] { keys.Tray(TTrayCommand::Next); });
  TrayMenu->addSeparator();
  TrayMenu->addAction("&Exit", &Window, &QWidget::close);
}

bool TTrayIcon::RefreshAvailability() {
  const bool available = QSystemTrayIcon::isSystemTrayAvailable();
  Window.MinimizeToTrayAction().setEnabled(available);
  return available;
}

void TTrayIcon::MinimizeToTray() {
  if (!RefreshAvailability()) return;
  TrayIcon->show();
  Window.hide();
}

void TTrayIcon::Restore() {
  TrayIcon->hide();
  Window.BringToFront();
}

void TTrayIcon::PrepareMenu() {
  const TTrayMenuState state = Window.Keys().TrayMenu();
  PlayItem->setText(state.PlayCaption);
  PlayItem->setEnabled(state.PlayEnabled);
  StopItem->setEnabled(state.StopEnabled);
  PreviousItem->setEnabled(state.PreviousEnabled);
  NextItem->setEnabled(state.NextEnabled);
}

bool TTrayIcon::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &Window && event->type() == QEvent::Show) TrayIcon->hide();
  return false;
}
