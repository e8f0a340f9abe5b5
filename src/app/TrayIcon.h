#pragma once
// TTrayIcon: "&Minimize to system tray" hides the main window behind an icon in the desktop's
// notification area; a double click on the icon, or its menu's "Restore Vexlor", brings the
// window back, and the menu's transport items work the player meanwhile. The icon exists only
// while the window is hidden there. Without a notification area the menu item is disabled, so
// the window can never be hidden for good.
#include <QObject>

class QAction;
class QMenu;
class QSystemTrayIcon;
class TVexlor;

class TTrayIcon : public QObject {
  Q_OBJECT

 public:
  explicit TTrayIcon(TVexlor& window);

  void MinimizeToTray();
  void Restore();
  // Captions and states of the transport items, as the menu opens.
  void PrepareMenu();
  QMenu& Menu() { return *TrayMenu; }
  QSystemTrayIcon& Icon() { return *TrayIcon; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildMenu();
  // The menu item follows whether the desktop has a notification area now.
  bool RefreshAvailability();

  TVexlor& Window;
  QSystemTrayIcon* TrayIcon;
  QMenu* TrayMenu;
  QAction* PlayItem = nullptr;
  QAction* StopItem = nullptr;
  QAction* PreviousItem = nullptr;
  QAction* NextItem = nullptr;
};
