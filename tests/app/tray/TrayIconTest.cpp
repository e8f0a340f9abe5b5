// The tray icon on a real notification area: "&Minimize to system tray" hides the window behind
// a docked icon, the icon's menu follows the player, and a double click brings the window back.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>

#include "app/TrayIcon.h"
#include "app/tray/TrayHost.h"
#include "ui/WindowRig.h"

namespace {

const std::filesystem::path Commando = WindowCorpus / "MUSICIANS/H/Hubbard_Rob/Commando.sid";

// The menu's captions, "-" for a separator, "(off)" after a disabled item.
std::string Items(const QMenu& menu) {
  QStringList items;
  for (const QAction* action : menu.actions())
    items << (action->isSeparator() ? QString("-") : action->text() + (action->isEnabled() ? "" : " (off)"));
  return items.join(" | ").toStdString();
}

TEST(TrayIconTest, MinimizingDocksTheIconAndADoubleClickRestores) {
  if (!TrayHostProblem.empty()) GTEST_SKIP() << TrayHostProblem;
  if (!std::filesystem::exists(Commando)) GTEST_SKIP() << "test tunes missing: " << Commando;
  TWindowRig rig(1);
  auto* tray = new TTrayIcon(*rig.Window);
  QAction& minimize = rig.Window->MinimizeToTrayAction();
  ASSERT_TRUE(WaitFor([&] {
    minimize.setEnabled(QSystemTrayIcon::isSystemTrayAvailable());
    return minimize.isEnabled();
  })) << "the notification area never appeared";
  EXPECT_EQ(minimize.text(), "&Minimize to system tray");
  EXPECT_EQ(minimize.shortcut(), QKeySequence("F10"));

  rig.DoubleClick(Commando);
  ASSERT_TRUE(rig.WaitForMusic());
  minimize.trigger();
  EXPECT_FALSE(rig.Window->isVisible());
  EXPECT_TRUE(tray->Icon().isVisible());
  EXPECT_EQ(tray->Icon().toolTip(), "Vexlor Player");
  EXPECT_TRUE(WaitFor([&] { return !tray->Icon().geometry().isEmpty(); })) << "the host docked the icon";

  tray->PrepareMenu();
  EXPECT_EQ(Items(tray->Menu()), "Restore Vexlor | - | Pause | &Stop | &Previous (off) | &Next | - | &Exit");
  tray->Menu().actions()[5]->trigger();
  EXPECT_EQ(rig.Window->Control().Controls().TrackBarPosition, 2);
  tray->Menu().actions()[2]->trigger();
  EXPECT_TRUE(rig.Window->Control().PlaybackPaused());
  tray->PrepareMenu();
  EXPECT_EQ(tray->Menu().actions()[2]->text(), "Play");

  emit tray->Icon().activated(QSystemTrayIcon::DoubleClick);
  EXPECT_TRUE(rig.Window->isVisible());
  EXPECT_FALSE(tray->Icon().isVisible());
}

}  // namespace
