#include "app/MprisService.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QFile>
#include <QUrl>

#include "app/MprisAdaptors.h"
#include "ui/TuneTextCodec.h"
#include "ui/frmSidPlayer.h"

namespace {

constexpr const char* PlayerInterface = "org.mpris.MediaPlayer2.Player";
constexpr const char* NoTrack = "/org/mpris/MediaPlayer2/TrackList/NoTrack";

}  // namespace

TMprisService::TMprisService(TVexlor& window, QDBusConnection connection)
    : QObject(&window), Player(window), Connection(std::move(connection)) {
  new TMprisRootAdaptor(*this);
  new TMprisPlayerAdaptor(*this);
  connect(&window, &TVexlor::ControlsShown, this, [this] { AnnounceChanges(); });
}

TMprisService::~TMprisService() {
  if (!Registered) return;
  Connection.unregisterService(ServiceName);
  Connection.unregisterObject(ObjectPath);
}

bool TMprisService::Start() {
  if (Registered || !Connection.isConnected()) return Registered;
  if (!Connection.registerObject(ObjectPath, this, QDBusConnection::ExportAdaptors)) return false;
  if (!Connection.registerService(ServiceName)) {
    Connection.unregisterObject(ObjectPath);
    return false;
  }
  Registered = true;
  Announced = Status();
  return true;
}

TMediaStatus TMprisService::Status() const { return MediaStatus(Player.Control()); }

QString TMprisService::StatusName(TPlaybackStatus status) {
  switch (status) {
    case TPlaybackStatus::Playing:
      return "Playing";
    case TPlaybackStatus::Paused:
      return "Paused";
    case TPlaybackStatus::Stopped:
      break;
  }
  return "Stopped";
}

QVariantMap TMprisService::Metadata(const TMediaStatus& status) const {
  if (status.File.empty()) return {{"mpris:trackid", QVariant::fromValue(QDBusObjectPath(NoTrack))}};
  QVariantMap metadata{
      {"mpris:trackid", QVariant::fromValue(QDBusObjectPath(QString("/org/vexlor/song/%1").arg(status.Song)))},
      {"xesam:url", QUrl::fromLocalFile(QFile::decodeName(status.File.c_str())).toString(QUrl::FullyEncoded)},
      {"xesam:trackNumber", status.Song},
  };
  if (!status.TuneLoaded) return metadata;
  metadata["xesam:title"] = DecodeTuneText(status.Title, status.ProgramFile);
  if (!status.Author.empty()) metadata["xesam:artist"] = QStringList{DecodeTuneText(status.Author, status.ProgramFile)};
  if (status.LengthMicroseconds > 0) metadata["mpris:length"] = static_cast<qlonglong>(status.LengthMicroseconds);
  return metadata;
}

void TMprisService::AnnounceChanges() {
  if (!Registered) return;
  const TMediaStatus now = Status();
  if (now == Announced) return;
  QVariantMap changed;
  if (now.Status != Announced.Status) changed["PlaybackStatus"] = StatusName(now.Status);
  const QVariantMap metadata = Metadata(now);
  if (metadata != Metadata(Announced)) changed["Metadata"] = metadata;
  if (now.CanGoNext != Announced.CanGoNext) changed["CanGoNext"] = now.CanGoNext;
  if (now.CanGoPrevious != Announced.CanGoPrevious) changed["CanGoPrevious"] = now.CanGoPrevious;
  if (now.CanPlay != Announced.CanPlay) changed["CanPlay"] = now.CanPlay;
  if (now.CanPause != Announced.CanPause) changed["CanPause"] = now.CanPause;
  if (now.Muted != Announced.Muted) changed["Volume"] = now.Muted ? 0.0 : 1.0;
  Announced = now;
  if (!changed.isEmpty()) AnnouncePlayerProperties(changed);
}

void TMprisService::AnnouncePlayerProperties(const QVariantMap& changed) {
  QDBusMessage signal = QDBusMessage::createSignal(ObjectPath, "org.freedesktop.DBus.Properties", "PropertiesChanged");
  signal << QString(PlayerInterface) << changed << QStringList();
  Connection.send(signal);
}
