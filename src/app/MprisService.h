#pragma once
// TMprisService: the player on the session bus as "org.mpris.MediaPlayer2.vexlor", the desktop's
// media player protocol, so that the keyboard's media keys, the desktop's sound menu and tools
// such as playerctl work the player from anywhere. Its actions are those of the media keys; its
// playback status and the playing tune's metadata are announced whenever they change.
#include <QDBusConnection>
#include <QObject>
#include <QVariantMap>

#include "player/MediaStatus.h"

class TVexlor;

class TMprisService : public QObject {
  Q_OBJECT

 public:
  static constexpr const char* ServiceName = "org.mpris.MediaPlayer2.vexlor";
  static constexpr const char* ObjectPath = "/org/mpris/MediaPlayer2";

  TMprisService(TVexlor& window, QDBusConnection connection);
  ~TMprisService() override;
  // False, and no service, when the bus cannot be reached or the name is taken.
  bool Start();

  TVexlor& Window() { return Player; }
  TMediaStatus Status() const;
  static QString StatusName(TPlaybackStatus status);
  QVariantMap Metadata(const TMediaStatus& status) const;

 private:
  void AnnounceChanges();
  void AnnouncePlayerProperties(const QVariantMap& changed);

  TVexlor& Player;
  QDBusConnection Connection;
  bool Registered = false;
  TMediaStatus Announced;
};
