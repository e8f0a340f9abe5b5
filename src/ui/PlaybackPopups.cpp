#include "ui/PlaybackPopups.h"

#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QToolButton>

#include "player/PlaybackControl.h"
#include "tune/TuneRecord.h"

TPlaybackPopups::TPlaybackPopups(QWidget* window, TPlaybackControl& control, const TTuneRecord& tune,
                                 QLabel& clockPanel, const std::array<QCheckBox*, 4>& voices,
                                 QToolButton& songMenuButton, const QList<QAction*>& songActions)
    : QObject(window), Control(control), Tune(tune), ClockPanel(clockPanel), Voices(voices) {
  BuildClockPopup(window);
  BuildSoloPopups(window);
  auto* songMenu = new QMenu(window);
  songMenu->setObjectName("SongPopup");
  songMenu->addActions(songActions);
  songMenuButton.setMenu(songMenu);
  songMenuButton.setPopupMode(QToolButton::InstantPopup);
}

void TPlaybackPopups::BuildClockPopup(QWidget* window) {
  ClockMenu = new QMenu(window);
  ClockMenu->setObjectName("ClockPopup");
  const auto item = [this](const char* caption, void (TPlaybackControl::*command)()) {
    QAction* action = ClockMenu->addAction(caption, this, [this, command] { (Control.*command)(); });
    action->setCheckable(true);
    return action;
  };
  PalItem = item("&PAL", &TPlaybackControl::ChoosePal);
  PalFixedItem = item("PAL Frequency Fixed", &TPlaybackControl::TogglePalFrequencyFixed);
  NtscItem = item("&NTSC", &TPlaybackControl::ChooseNtsc);
  NtscFixedItem = item("NTSC Frequency Fixed", &TPlaybackControl::ToggleNtscFrequencyFixed);
  ClockPanel.setCursor(Qt::PointingHandCursor);
  ClockPanel.installEventFilter(this);
}

// Opening a voice's pop-up moves the focus to its box, and so does choosing "Solo".
void TPlaybackPopups::BuildSoloPopups(QWidget* window) {
  for (size_t index = 0; index < Voices.size(); ++index) {
    QCheckBox* box = Voices[index];
    const int32_t voice = int32_t(index) + 1;
    auto* menu = new QMenu(window);
    menu->setObjectName(QString("SoloPopup%1").arg(voice));
    menu->addAction("Solo", this, [this, box, voice] {
      Control.Solo(voice);
      box->setFocus();
    });
    box->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(box, &QCheckBox::customContextMenuRequested, this, [box, menu](const QPoint& position) {
      box->setFocus();
      menu->exec(box->mapToGlobal(position));
    });
  }
}

void TPlaybackPopups::PrepareClockPopup() {
  PalItem->setChecked(Tune.clockPal);
  PalFixedItem->setChecked(Control.FrequencyMode() == PalFrequencyFixed);
  NtscItem->setChecked(Tune.clockNtsc);
  NtscFixedItem->setChecked(Control.FrequencyMode() == NtscFrequencyFixed);
}

bool TPlaybackPopups::eventFilter(QObject* watched, QEvent* event) {
  if (watched != &ClockPanel || event->type() != QEvent::MouseButtonPress) return QObject::eventFilter(watched, event);
  PrepareClockPopup();
  ClockMenu->exec(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
  return true;
}
