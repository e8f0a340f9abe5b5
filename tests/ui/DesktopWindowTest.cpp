// The main window's ties to the desktop: key events as the window system delivers them, media
// keys that arrive as key events, files and folders dropped on the window, and files handed over
// by a second start.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialog>
#include <QDropEvent>
#include <QMimeData>
#include <QSlider>
#include <QToolButton>
#include <QUrl>
#include <filesystem>
#include <string>
#include <vector>

#include "ui/WindowRig.h"

namespace {

const std::filesystem::path Commando = WindowCorpus / "MUSICIANS/H/Hubbard_Rob/Commando.sid";
const std::filesystem::path Cheater = WindowCorpus / "MUSICIANS/S/Spider_Jerusalem/Dirty_Cheater.sid";
const std::filesystem::path Karateka = WindowCorpus / "GAMES/G-L/Karateka.sid";
const std::filesystem::path Nebulus = WindowCorpus / "GAMES/M-R/Nebulus.sid";

// A key without a character, as the window system delivers it.
void PressAndRelease(QWidget* widget, Qt::Key key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(widget, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
  QApplication::sendEvent(widget, &release);
}

class DesktopWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(Commando)) GTEST_SKIP() << "test tunes missing: " << Commando;
    Rig.Window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Rig.Window.get()));
  }

  std::string CurrentFile() { return Rig.Window->Control().CurrentFile(); }
  std::vector<std::string> History() { return Rig.Window->History().Entries(); }

  // Drags the items over the window and drops them; false when the window refused the drag.
  bool Drop(const std::vector<std::filesystem::path>& items) {
    QMimeData data;
    QList<QUrl> urls;
    for (const auto& item : items) urls << QUrl::fromLocalFile(QString::fromStdString(item.string()));
    data.setUrls(urls);
    const QPoint middle = Rig.Window->rect().center();
    QDragEnterEvent enter(middle, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Rig.Window.get(), &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(QPointF(middle), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Rig.Window.get(), &drop);
    return drop.isAccepted();
  }

  TWindowRig Rig{1};
};

TEST_F(DesktopWindowTest, SpaceOnAFocusedBoxTogglesTheBoxAndElsewherePauses) {
  Rig.DoubleClick(Commando);
  ASSERT_TRUE(Rig.WaitForMusic());
  auto* filter = Rig.Find<QCheckBox>("Filter");
  filter->setFocus();
  QTest::keyClick(filter, Qt::Key_Space);
  EXPECT_FALSE(filter->isChecked());
  EXPECT_FALSE(Rig.Window->Control().Controls().FilterChecked);
  EXPECT_FALSE(Rig.Window->Control().PlaybackPaused());

  auto* files = Rig.Find<QListWidget>("FileList");
  files->setFocus();
  QTest::keyClick(files, Qt::Key_Space);
  EXPECT_TRUE(Rig.Window->Control().PlaybackPaused());
  PressAndRelease(files, Qt::Key_MediaTogglePlayPause);
  EXPECT_FALSE(Rig.Window->Control().PlaybackPaused());
  PressAndRelease(files, Qt::Key_MediaNext);
  EXPECT_EQ(Rig.Find<QSlider>("TrackBar")->value(), 2);
}

TEST_F(DesktopWindowTest, AutoRepeatedKeysDoNotRepeatTheirAction) {
  auto* files = Rig.Find<QListWidget>("FileList");
  files->setFocus();
  QTest::keyPress(files, Qt::Key_M, Qt::ControlModifier);
  // X11 repeats a held key as release and press pairs, both marked as repeats.
  for (int repeat = 0; repeat < 3; ++repeat) {
    QKeyEvent up(QEvent::KeyRelease, Qt::Key_M, Qt::ControlModifier, QString(), true);
    QApplication::sendEvent(files, &up);
    QKeyEvent down(QEvent::KeyPress, Qt::Key_M, Qt::ControlModifier, QString(), true);
    QApplication::sendEvent(files, &down);
  }
  QTest::keyRelease(files, Qt::Key_M, Qt::ControlModifier);
  EXPECT_TRUE(Rig.Find<QCheckBox>("MuteAll")->isChecked());
  QTest::keyClick(files, Qt::Key_M, Qt::ControlModifier);
  EXPECT_FALSE(Rig.Find<QCheckBox>("MuteAll")->isChecked());
}

TEST_F(DesktopWindowTest, DroppedFilesJoinTheHistoryInDropOrderAndTheFirstStarts) {
  Rig.DoubleClick(Commando);
  const std::filesystem::path missing = Rig.Folder / "gone.sid";
  ASSERT_TRUE(Drop({Cheater, missing, Karateka, Nebulus}));
  const std::vector<std::string> expected{Commando.string(), Cheater.string(), Karateka.string(), Nebulus.string()};
  EXPECT_EQ(History(), expected);
  EXPECT_EQ(Rig.Window->History().Position(), 2);
  EXPECT_EQ(CurrentFile(), Cheater.string());
  EXPECT_EQ(Rig.Find<QListWidget>("FileList")->currentItem()->text(), "Dirty_Cheater.sid");
  EXPECT_TRUE(Rig.Find<QToolButton>("HistoryBackButton")->isEnabled());
  EXPECT_TRUE(Rig.Find<QToolButton>("HistoryForwardButton")->isEnabled());
  EXPECT_TRUE(Rig.WaitForMusic());
}

TEST_F(DesktopWindowTest, ADroppedFolderAddsItsEntriesInDirectoryOrderAndStartsTheFirst) {
  const std::filesystem::path folder = Rig.Folder / "dropped";
  std::filesystem::create_directories(folder / "sub");
  for (const auto& tune : {Commando, Karateka, Nebulus}) std::filesystem::create_symlink(tune, folder / tune.filename());
  std::vector<std::string> listed;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) listed.push_back(entry.path().string());

  ASSERT_TRUE(Drop({folder}));
  EXPECT_EQ(History(), listed);
  EXPECT_EQ(CurrentFile(), listed.front());
}

TEST_F(DesktopWindowTest, ADropThatAddsNothingChangesNothing) {
  Rig.DoubleClick(Commando);
  ASSERT_TRUE(Rig.WaitForMusic());
  std::filesystem::create_directories(Rig.Folder / "empty");
  ASSERT_TRUE(Drop({Rig.Folder / "empty", Rig.Folder / "missing.sid"}));
  EXPECT_EQ(History(), std::vector<std::string>{Commando.string()});
  EXPECT_EQ(CurrentFile(), Commando.string());
  EXPECT_TRUE(Rig.Window->Control().Controls().PlayDown);
}

TEST_F(DesktopWindowTest, AHandedOverFilePlaysUnlessAModalWindowIsOpen) {
  Rig.Window->OpenHandedOverFile(QString::fromStdString(Commando.string()));
  EXPECT_EQ(CurrentFile(), Commando.string());
  EXPECT_EQ(Rig.Find<QListWidget>("FileList")->currentItem()->text(), "Commando.sid");
  ASSERT_TRUE(Rig.WaitForMusic());

  Rig.Window->OpenHandedOverFile(QString::fromStdString((Rig.Folder / "missing.sid").string()));
  EXPECT_EQ(CurrentFile(), Commando.string());

  WhenModalOpens([this](QWidget* modal) {
    Rig.Window->OpenHandedOverFile(QString::fromStdString(Karateka.string()));
    EXPECT_EQ(CurrentFile(), Commando.string());
    modal->close();
  });
  Rig.Window->ShowAbout();
  EXPECT_EQ(History(), std::vector<std::string>{Commando.string()});
}

}  // namespace
