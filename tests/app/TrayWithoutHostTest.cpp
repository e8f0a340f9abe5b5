// Without a notification area (the offscreen window system has none) the window must never hide
// behind an icon nobody can click.
#include <gtest/gtest.h>

#include <QAction>
#include <QSystemTrayIcon>

#include "app/TrayIcon.h"
#include "ui/WindowRig.h"

namespace {

TEST(TrayWithoutHost, MinimizeToTrayIsDisabledAndKeepsTheWindow) {
  ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
  TWindowRig rig(1);
  auto* tray = new TTrayIcon(*rig.Window);
  EXPECT_FALSE(rig.Window->MinimizeToTrayAction().isEnabled());
  tray->MinimizeToTray();
  EXPECT_TRUE(rig.Window->isVisible());
  EXPECT_FALSE(tray->Icon().isVisible());
}

}  // namespace
