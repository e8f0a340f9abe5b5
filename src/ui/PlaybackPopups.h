#pragma once
// The pop-up menus through which the main window's panels reach playback control: the clock
// pop-up of the status bar's clock panel (a pressed mouse button opens it; the pointer is a hand
// there), "Solo" on each voice box, and the menu button of the song information panel.
#include <QList>
#include <QObject>
#include <array>

class QAction;
class QCheckBox;
class QLabel;
class QMenu;
class QToolButton;
class TPlaybackControl;
struct TTuneRecord;

class TPlaybackPopups : public QObject {
  Q_OBJECT

 public:
  TPlaybackPopups(QWidget* window, TPlaybackControl& control, const TTuneRecord& tune, QLabel& clockPanel,
                  const std::array<QCheckBox*, 4>& voices, QToolButton& songMenuButton,
                  const QList<QAction*>& songActions);

  // Checks the clock pop-up's items for the tune's clock and the clock mode, as it opens.
  void PrepareClockPopup();
  QMenu& ClockPopup() { return *ClockMenu; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildClockPopup(QWidget* window);
  void BuildSoloPopups(QWidget* window);

  TPlaybackControl& Control;
  const TTuneRecord& Tune;
  QLabel& ClockPanel;
  std::array<QCheckBox*, 4> Voices;
  QMenu* ClockMenu = nullptr;
  QAction* PalItem = nullptr;
  QAction* PalFixedItem = nullptr;
  QAction* NtscItem = nullptr;
  QAction* NtscFixedItem = nullptr;
};
