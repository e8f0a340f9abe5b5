#include "ui/WindowKeys.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QWidget>

TWindowKeys::TWindowKeys(QWidget& window, TPlaybackControl& control, int32_t deviceCount)
    : QObject(&window), Window(window), DeviceCount(deviceCount), Decider(control) {
  // Key events go to the focused control first; only the application sees them before it.
  qApp->installEventFilter(this);
}

TKeyStroke TWindowKeys::Stroke(const QKeyEvent& event) {
  TKeyStroke stroke;
  stroke.Ctrl = event.modifiers().testFlag(Qt::ControlModifier);
  stroke.Shift = event.modifiers().testFlag(Qt::ShiftModifier);
  const int key = event.key();
  if (key >= Qt::Key_0 && key <= Qt::Key_9) {
    stroke.Key = TKey::Digit;
    stroke.Character = static_cast<char>('0' + (key - Qt::Key_0));
  } else if (key >= Qt::Key_A && key <= Qt::Key_Z) {
    stroke.Key = TKey::Letter;
    stroke.Character = static_cast<char>('A' + (key - Qt::Key_A));
  } else {
    switch (key) {
      case Qt::Key_Escape: stroke.Key = TKey::Escape; break;
      case Qt::Key_Space: stroke.Key = TKey::Space; break;
      case Qt::Key_Home: stroke.Key = TKey::Home; break;
      case Qt::Key_End: stroke.Key = TKey::End; break;
      case Qt::Key_Left: stroke.Key = TKey::Left; break;
      case Qt::Key_Right: stroke.Key = TKey::Right; break;
      case Qt::Key_Control: stroke.Key = TKey::Ctrl; break;
      case Qt::Key_Shift: stroke.Key = TKey::Shift; break;
      default: break;
    }
  }
  return stroke;
}

// X11 reports the keyboard's play/pause key as "play"; keyboards have no separate play key there.
std::optional<TMediaCommand> TWindowKeys::MediaCommand(int key) {
  switch (key) {
    case Qt::Key_MediaTogglePlayPause:
    case Qt::Key_MediaPlay:
      return TMediaCommand::PlayPause;
    case Qt::Key_MediaPause:
      return TMediaCommand::Pause;
    case Qt::Key_MediaStop:
      return TMediaCommand::Stop;
    case Qt::Key_MediaNext:
      return TMediaCommand::Next;
    case Qt::Key_MediaPrevious:
      return TMediaCommand::Previous;
    case Qt::Key_VolumeMute:
      return TMediaCommand::Mute;
    case Qt::Key_AudioForward:
      return TMediaCommand::FastForward;
    default:
      return std::nullopt;
  }
}

bool TWindowKeys::InWindow(QObject* watched) const {
  const auto* widget = qobject_cast<QWidget*>(watched);
  return widget && widget->window() == &Window;
}

TKeyFocus TWindowKeys::Focus() const {
  TKeyFocus focus;
  const QWidget* focused = QApplication::focusWidget();
  focus.CheckBoxFocused = qobject_cast<const QCheckBox*>(focused) && focused->window() == &Window;
  focus.DeviceCount = DeviceCount;
  return focus;
}

bool TWindowKeys::eventFilter(QObject* watched, QEvent* event) {
  if ((event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) || !InWindow(watched)) return false;
  const auto& key = static_cast<const QKeyEvent&>(*event);
  return event->type() == QEvent::KeyPress ? KeyPressed(key) : KeyReleased(key);
}

// The media fast forward key acts on each repeat, which keeps it running; other keys act once
// while held and the window keeps their repeats from its controls.
bool TWindowKeys::KeyPressed(const QKeyEvent& event) {
  if (const auto command = MediaCommand(event.key())) {
    if (!event.isAutoRepeat() || *command == TMediaCommand::FastForward) Decider.Media(*command);
    return true;
  }
  const TKeyStroke stroke = Stroke(event);
  if (event.isAutoRepeat()) return TPlaybackKeys::WindowKey(stroke, Focus());
  return Decider.KeyDown(stroke, Focus());
}

bool TWindowKeys::KeyReleased(const QKeyEvent& event) {
  if (event.isAutoRepeat() || MediaCommand(event.key())) return false;
  Decider.KeyUp(Stroke(event));
  return false;
}
