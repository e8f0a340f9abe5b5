// The main window's commands around playback: the preferences it applies, the clock and Solo
// pop-ups, the file manager, the lists' own keys, the status bar at the smallest window size and
// the process priority around modal windows.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDBusConnection>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QToolButton>
#include <fstream>

#include "TestFiles.h"
#include "knowledge/SidId.h"
#include "knowledge/SongLength.h"
#include "knowledge/Stil.h"
#include "output/DeviceHost.h"
#include "ui/FileManager.h"
#include "ui/WindowRig.h"
#include "ui/frmPreference.h"

namespace {

using namespace std::chrono_literals;

const std::filesystem::path Commando = WindowCorpus / "MUSICIANS/H/Hubbard_Rob/Commando.sid";

// Runs once a pop-up menu is open, then closes it.
void WhenPopupOpens(const std::function<void(QMenu&)>& handle) {
  QTimer::singleShot(0, [handle] {
    WaitFor([] { return QApplication::activePopupWidget() != nullptr; }, 5s);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu) return;
    handle(*menu);
    menu->close();
  });
}

QAction* Item(QMenu& menu, const QString& caption) {
  for (QAction* action : menu.actions())
    if (action->text() == caption) return action;
  return nullptr;
}

// Register writes of the chip in use with a value other than 0 over a stretch of playing.
uint32_t NonZeroOver(TWindowRig& rig, uint8_t first, uint8_t last, std::chrono::milliseconds stretch) {
  TPacedDevice& chip = *rig.Chips[rig.Window->Machine().Writer->CurrentDevice];
  const uint32_t before = chip.NonZero(first, last);
  WaitFor([] { return false; }, stretch);
  return chip.NonZero(first, last) - before;
}

class MainWindowCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(Commando)) GTEST_SKIP() << "test tunes missing: " << Commando;
  }
};

// A collection as a user has it, the documents and the tunes under one C64Music folder, set in
// the dialog while a tune of it plays: the title, the STIL indicator and the players follow
// without a restart, and the new clock setting restarts the tune.
TEST_F(MainWindowCommands, SavedPreferencesReachTheRunningProgram) {
  SKIP_WITHOUT(TestData("hvsc/hvsc69/DOCUMENTS/STIL.txt"));
  SKIP_WITHOUT(TestData("sidid/sidid.cfg"));
  TScratchFolder collection;
  collection.Link("C64Music/DOCUMENTS", (WindowHvsc / "DOCUMENTS").string());
  collection.Link("C64Music/MUSICIANS", (WindowCorpus / "MUSICIANS").string());
  TWindowRig rig(1);
  rig.Window->Preferences().SetHVSCDirectory("");
  LoadStil("");
  LoadSongLengths("");
  Signatures().Clear();
  rig.DoubleClick(collection.Path / "C64Music/MUSICIANS/H/Hubbard_Rob/Commando.sid");
  ASSERT_TRUE(rig.WaitForMusic());
  EXPECT_EQ(rig.Text("NameValue"), "Commando");
  EXPECT_FALSE(rig.Find<QLabel>("StilIndicator")->isVisible());
  const uint32_t started = rig.Chips[0]->Silences;

  WhenModalOpens([&](QWidget* modal) {
    auto* dialog = qobject_cast<TfrmPreferences*>(modal);
    ASSERT_NE(dialog, nullptr);
    dialog->findChild<QLineEdit*>("HvscDirectory")->setText(QString::fromStdString(collection / ""));
    dialog->findChild<QLineEdit*>("SidIdConfigFile")->setText(QString::fromStdString(TestData("sidid/sidid.cfg")));
    dialog->findChild<QComboBox*>("FrequencySetting")->setCurrentIndex(NtscAlways);
    dialog->Save();
  });
  QTest::keyClick(rig.Window.get(), Qt::Key_F12);
  EXPECT_EQ(rig.Text("NameValue"), "Commando (3:56)");
  EXPECT_TRUE(rig.Find<QLabel>("StilIndicator")->isVisible());
  EXPECT_EQ(rig.Window->Preferences().FrequencySetting(), NtscAlways) << "the settings are read again";
  EXPECT_EQ(rig.Chips[0]->Silences, started + 1) << "the tune restarts with the new clock";
  ASSERT_TRUE(rig.WaitForMusic());
  EXPECT_EQ(rig.Text("StatusPanel1"), "NTSC");
  EXPECT_EQ(rig.Window->Machine().IsPal, 0);

  QStringList players;
  rig.Activate();
  WhenModalOpens([&](QWidget* properties) {
    const auto* list = properties->findChild<QListWidget*>("PlayerList");
      for (int row = 0; row < list->count(); ++row) players << list->item(row)->text();
    static_cast<QDialog*>(properties)->accept();
  });
  QTest::keyClick(rig.Window.get(), Qt::Key_F1);
  EXPECT_EQ(players, QStringList{"Rob Hubbard"});

  // Cancel changes nothing that runs.
  const uint32_t saved = rig.Chips[0]->Silences;
  bool cancelled = false;
  WhenModalOpens([&cancelled](QWidget* dialog) {
    cancelled = qobject_cast<TfrmPreferences*>(dialog) != nullptr;
    static_cast<QDialog*>(dialog)->reject();
  });
  rig.Window->ShowPreferences();
  EXPECT_TRUE(cancelled);
  EXPECT_EQ(rig.Chips[0]->Silences, saved);
  EXPECT_TRUE(rig.Window->Control().Playing());
  LoadStil("");
  LoadSongLengths("");
  Signatures().Clear();
}

TEST_F(MainWindowCommands, ClockAndSoloPopupsDriveThePlayer) {
  TWindowRig rig(1);
  rig.DoubleClick(Commando);
  ASSERT_TRUE(rig.WaitForMusic());
  QLabel* clock = rig.Find<QLabel>("StatusPanel1");
  EXPECT_EQ(clock->cursor().shape(), Qt::PointingHandCursor);
  QStringList checked;
  WhenPopupOpens([&](QMenu& menu) {
    for (const QAction* action : menu.actions())
      if (action->isChecked()) checked << action->text();
    Item(menu, "&NTSC")->trigger();
  });
  QTest::mousePress(clock, Qt::RightButton);
  EXPECT_EQ(checked, QStringList{"&PAL"});
  EXPECT_EQ(clock->text(), "NTSC");
  ASSERT_TRUE(rig.WaitForMusic());
  EXPECT_EQ(rig.Window->Machine().IsPal, 0);

  QCheckBox* second = rig.Find<QCheckBox>("Voice2");
  WhenPopupOpens([](QMenu& menu) { Item(menu, "Solo")->trigger(); });
  QContextMenuEvent request(QContextMenuEvent::Mouse, QPoint(4, 4), second->mapToGlobal(QPoint(4, 4)));
  QApplication::sendEvent(second, &request);
  for (const char* voice : {"Voice1", "Voice3", "Voice4"}) EXPECT_FALSE(rig.Find<QCheckBox>(voice)->isChecked()) << voice;
  EXPECT_TRUE(second->isChecked());
  EXPECT_EQ(rig.Window->focusWidget(), second);
  EXPECT_EQ(NonZeroOver(rig, 0, 4, 300ms) + NonZeroOver(rig, 14, 18, 300ms), 0u) << "voices 1 and 3 are silent";
  EXPECT_GT(NonZeroOver(rig, 7, 11, 500ms), 0u);
}

// A session bus of the test's own with a file manager that notes what it is asked to show.
class TFakeFileManager : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

 public:
  QStringList Calls;

 public slots:
  void ShowItems(const QStringList& uris, const QString&) { Calls << "ShowItems " + uris.join(' '); }
  void ShowFolders(const QStringList& uris, const QString&) { Calls << "ShowFolders " + uris.join(' '); }
};

class TPrivateSessionBus {
 public:
  TPrivateSessionBus() {
    Daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
    if (Daemon.waitForReadyRead(5000)) Address = QString::fromUtf8(Daemon.readLine()).trimmed();
    if (!Address.isEmpty()) setenv("DBUS_SESSION_BUS_ADDRESS", Address.toUtf8().constData(), 1);
  }
  ~TPrivateSessionBus() {
    Daemon.kill();
    Daemon.waitForFinished();
  }
  QProcess Daemon;
  QString Address;
};

TEST_F(MainWindowCommands, CtrlEAsksTheFileManagerForTheSelectedPath) {
  TPrivateSessionBus bus;
  if (bus.Address.isEmpty()) GTEST_SKIP() << "dbus-daemon did not start";
  TFakeFileManager manager;
  QDBusConnection service = QDBusConnection::connectToBus(bus.Address, "fake-file-manager");
  ASSERT_TRUE(service.registerService("org.freedesktop.FileManager1"));
  ASSERT_TRUE(service.registerObject("/org/freedesktop/FileManager1", &manager, QDBusConnection::ExportAllSlots));

  TWindowRig rig(1);
  ASSERT_TRUE(rig.Window->SelectFile(QString::fromStdString(Commando.string())));
  QListWidget* files = rig.Find<QListWidget>("FileList");
  files->setFocus();
  QTest::keyClick(files, Qt::Key_E, Qt::ControlModifier);
  ASSERT_TRUE(WaitFor([&] { return manager.Calls.size() == 1; }, 10s));
  EXPECT_EQ(manager.Calls[0].toStdString(), "ShowItems file://" + Commando.string());

  QListWidget* folders = rig.Find<QListWidget>("DirectoryList");
  folders->setFocus();
  folders->setCurrentRow(1);
  const QString folder = folders->currentItem()->data(Qt::UserRole).toString();
  QTest::keyClick(folders, Qt::Key_E, Qt::ControlModifier);
  ASSERT_TRUE(WaitFor([&] { return manager.Calls.size() == 2; }, 10s));
  EXPECT_EQ(manager.Calls[1], "ShowFolders file://" + folder);
  QDBusConnection::disconnectFromBus("fake-file-manager");

  // Without a file manager on the bus, the folder opens with xdg-open.
  EXPECT_EQ(FallbackFileManagerCommand(QString::fromStdString(Commando.string())).Arguments,
            QStringList{QString::fromStdString(Commando.parent_path().string())});
  EXPECT_EQ(FallbackFileManagerCommand(folder).Program, "xdg-open");
  EXPECT_EQ(FallbackFileManagerCommand(folder).Arguments, QStringList{folder});
}

TEST_F(MainWindowCommands, ListsFindEntriesByTheirFirstLetterAndSwallowCtrlKeys) {
  TWindowRig rig(1);
  for (const char* folder : {"alpha", "beta", "bravo"}) std::filesystem::create_directory(rig.Folder / folder);
  for (const char* file : {"a1.sid", "a2.sid", "b1.sid"}) std::ofstream(rig.Folder / file) << "x";
  ASSERT_TRUE(rig.Window->OpenDirectory(QString::fromStdString(rig.Folder.string())));
  QListWidget* folders = rig.Find<QListWidget>("DirectoryList");
  const auto folderAfter = [&](char key) {
    QTest::keyClick(folders, key);
    return folders->currentItem()->text().trimmed().toStdString();
  };
  EXPECT_EQ(folderAfter('b'), "beta");
  EXPECT_EQ(folderAfter('B'), "bravo");
  EXPECT_EQ(folderAfter('b'), "beta") << "wraps to the top";
  EXPECT_EQ(folderAfter('z'), "beta") << "nothing found, nothing moves";
  EXPECT_EQ(folderAfter('/'), "beta") << "the drive entry is never chosen";

  QListWidget* files = rig.Find<QListWidget>("FileList");
  const auto fileAfter = [&](char key) {
    QTest::keyClick(files, key);
    return files->currentItem() ? files->currentItem()->text().toStdString() : std::string();
  };
  EXPECT_EQ(fileAfter('a'), "a1.sid");
  EXPECT_EQ(fileAfter('a'), "a2.sid");
  EXPECT_EQ(fileAfter('a'), "a1.sid");
  QTest::keyClick(files, Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(files->currentItem()->text(), "a1.sid") << "Ctrl keys are not the list's";

  rig.DoubleClick(Commando);
  ASSERT_TRUE(rig.WaitForMusic());
  QTest::keyClick(files, Qt::Key_Right, Qt::ControlModifier);
  EXPECT_EQ(rig.Text("SongLabel"), "Song 1");
  QTest::keyClick(files, Qt::Key_Right);
  EXPECT_EQ(rig.Text("SongLabel"), "Song 2");
}

TEST_F(MainWindowCommands, AtTheSmallestSizeEveryStatusPanelShowsItsWholeText) {
  TWindowRig rig(1);
  EXPECT_GE(rig.Window->minimumWidth(), 454);
  EXPECT_GE(rig.Window->minimumHeight(), 306);
  rig.DoubleClick(Commando);
  ASSERT_TRUE(rig.WaitForMusic());
  ASSERT_TRUE(WaitFor([&] { return rig.Text("StatusPanel0").startsWith(" Playing tune 001 of 011"); }));
  rig.Window->resize(rig.Window->minimumSize());
  ASSERT_TRUE(WaitFor([&] { return rig.Window->size() == rig.Window->minimumSize(); }, 5s));
  int right = -1;
  for (int panel = 0; panel < 5; ++panel) {
    const QLabel* label = rig.Find<QLabel>(QString("StatusPanel%1").arg(panel).toUtf8().constData());
    SCOPED_TRACE(label->text().toStdString());
    EXPECT_GE(label->contentsRect().width(), label->fontMetrics().horizontalAdvance(label->text()));
    EXPECT_GT(label->x(), right) << "no panel is drawn over the one before";
    right = label->geometry().right();
  }
  EXPECT_LE(right, rig.Window->width());
}

TEST_F(MainWindowCommands, PropertiesFollowTheLoadAndModalWindowsRunAtNormalPriority) {
  static std::vector<platform::TPriorityClass> classes;
  const TDeviceHost saved = DeviceHost();
  DeviceHost().SetProcessPriority = [](platform::TPriorityClass priority) { classes.push_back(priority); };
  TWindowRig rig(1);
  const std::filesystem::path junk = rig.Folder / "junk.sid";
  std::ofstream(junk) << "not a tune";
  QAction* properties = rig.Window->findChild<QAction*>("P&roperties...");
  rig.DoubleClick(Commando);
  ASSERT_TRUE(rig.WaitForMusic());
  EXPECT_TRUE(properties->isEnabled());
  EXPECT_TRUE(rig.Find<QToolButton>("SongMenuButton")->isVisible());
  rig.DoubleClick(junk);
  EXPECT_FALSE(properties->isEnabled());
  EXPECT_FALSE(rig.Find<QToolButton>("SongMenuButton")->isVisible());

  std::vector<platform::TPriorityClass> whileOpen;
  classes.clear();
  WhenModalOpens([&](QWidget* about) {
    whileOpen = classes;
    static_cast<QDialog*>(about)->accept();
  });
  QTest::mouseClick(rig.Find<QLabel>("Logo"), Qt::LeftButton);
  EXPECT_EQ(whileOpen, std::vector{platform::TPriorityClass::Normal});
  EXPECT_EQ(classes.back(), platform::TPriorityClass::High);

  // Restoring the minimised window leaves the high class to the priority timer.
  QTimer* priorityTimer = nullptr;
  for (QTimer* timer : rig.Window->findChildren<QTimer*>())
    if (timer->interval() == 2000) priorityTimer = timer;
  ASSERT_NE(priorityTimer, nullptr);
  rig.Window->showMinimized();
  EXPECT_FALSE(priorityTimer->isActive());
  rig.Window->showNormal();
  EXPECT_TRUE(priorityTimer->isActive());
  rig.Window.reset();
  DeviceHost() = saved;
}

}  // namespace

#include "MainWindowCommandsTest.moc"
