#pragma once
// The main window on a test's own settings file and ROM folder, with paced chips that the test
// can watch and the messages the window would have shown.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <QLabel>
#include <QListWidget>
#include <QTest>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "c64/T6510.h"
#include "player/PacedDevice.h"
#include "player/dmSidPlayer.h"
#include "settings/Preferences.h"
#include "ui/frmSidPlayer.h"

inline const std::filesystem::path WindowCorpus = std::filesystem::path(VEXLOR_TESTDATA) / "tunes/C64Music";
inline const std::filesystem::path WindowHvsc = std::filesystem::path(VEXLOR_TESTDATA) / "hvsc/hvsc69";

// Keeps the window's events flowing until the condition holds; false when it did not in time.
inline bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit = std::chrono::seconds(20)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

// A window with its own settings file and ROM folder, chips the test can watch and the messages
// it would have shown.
class TWindowRig {
 public:
  // The drivers of the program itself instead of paced chips.
  static constexpr int InstalledDrivers = -1;

  explicit TWindowRig(int deviceCount) {
    static int serial = 0;
    Folder = std::filesystem::temp_directory_path() /
             ("vexlor-window-" + std::to_string(getpid()) + "-" + std::to_string(++serial));
    std::filesystem::create_directories(Folder / "roms");
    setenv("VEXLOR_REGISTRY", (Folder / "registry.ini").c_str(), 1);
    setenv("VEXLOR_ROMS", (Folder / "roms").c_str(), 1);
    TPreferences().SetHVSCDirectory(WindowHvsc.string());
    TVexlorSetup setup;
    if (deviceCount != InstalledDrivers) setup.DriverKinds.clear();
    for (int device = 0; device < deviceCount; ++device)
      setup.DriverKinds.push_back({[this] {
        auto chip = std::make_unique<TPacedDevice>();
        Chips.push_back(chip.get());
        return std::unique_ptr<TSidDevice>(std::move(chip));
      }});
    setup.PresentMessage = [this](TMessageStyle style, const QString& text) { Messages.emplace_back(style, text); };
    Window = std::make_unique<TVexlor>(Timer, std::move(setup));
    Window->show();
    Activate();
  }
  // Keys reach shortcuts and focused widgets only in the active window.
  void Activate() {
    Window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(Window.get()));
  }
  ~TWindowRig() {
    Window.reset();
    std::error_code ignored;
    std::filesystem::remove_all(Folder, ignored);
  }

  template <typename T>
  T* Find(const char* name) {
    return Window->findChild<T*>(name);
  }
  QString Text(const char* label) { return Find<QLabel>(label)->text(); }

  // Starts a file the way a double click in the file list does.
  void DoubleClick(const std::filesystem::path& file) {
    ASSERT_TRUE(Window->SelectFile(QString::fromStdString(file.string()))) << file;
    QListWidget* list = Find<QListWidget>("FileList");
    const QRect row = list->visualItemRect(list->currentItem());
    // Item views take a double click only after the press that selected the item.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row.center());
  }
  // The song runs and its music reaches the chip in use.
  bool WaitForMusic() {
    return WaitFor([this] {
      const T6510& machine = Window->Machine();
      return !Window->Control().StartPending() && machine.Writer->SoundStarted &&
             Chips[machine.Writer->CurrentDevice]->Writes > 100;
    });
  }

  std::filesystem::path Folder;
  std::vector<TPacedDevice*> Chips;
  std::vector<std::pair<TMessageStyle, QString>> Messages;
  // Outlives the window, which ends its threads before it goes.
  TdmTimer Timer;
  std::unique_ptr<TVexlor> Window;
};

// Runs once the next modal window is open, then lets the caller's exec() return.
inline void WhenModalOpens(const std::function<void(QWidget*)>& handle) {
  QTimer::singleShot(0, [handle] {
    WaitFor([] { return QApplication::activeModalWidget() != nullptr; }, std::chrono::seconds(5));
    if (QWidget* modal = QApplication::activeModalWidget()) handle(modal);
  });
}
