#pragma once
// TWindowKeys: gives the main window every key before its controls, as the window's keyboard
// table wants, and turns the media keys that reach the window as key events into media commands.
// What a key does is decided by TPlaybackKeys.
#include <QObject>
#include <optional>

#include "player/PlaybackKeys.h"

class QKeyEvent;
class QWidget;

class TWindowKeys : public QObject {
  Q_OBJECT

 public:
  TWindowKeys(QWidget& window, TPlaybackControl& control, int32_t deviceCount);

  TPlaybackKeys& Keys() { return Decider; }

  static TKeyStroke Stroke(const QKeyEvent& event);
  static std::optional<TMediaCommand> MediaCommand(int key);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool InWindow(QObject* watched) const;
  TKeyFocus Focus() const;
  bool KeyPressed(const QKeyEvent& event);
  bool KeyReleased(const QKeyEvent& event);

  QWidget& Window;
  int32_t DeviceCount;
  TPlaybackKeys Decider;
};
