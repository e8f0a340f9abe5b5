#include "app/MprisAdaptors.h"

#include <QUrl>

#include "app/FileAssociation.h"
#include "app/MprisService.h"
#include "c64/T6510.h"
#include "player/PlaybackKeys.h"
#include "ui/frmSidPlayer.h"

namespace {

constexpr qlonglong MicrosecondsPerSecond = 1000000;

}  // namespace

TMprisRootAdaptor::TMprisRootAdaptor(TMprisService& service) : QDBusAbstractAdaptor(&service), Service(service) {}

QString TMprisRootAdaptor::Identity() const { return TVexlor::ApplicationTitle; }

QString TMprisRootAdaptor::DesktopEntry() const {
  return QString(TFileAssociation::DesktopEntry).chopped(static_cast<qsizetype>(std::string_view(".desktop").size()));
}

QStringList TMprisRootAdaptor::SupportedMimeTypes() const { return {TFileAssociation::MimeType}; }

void TMprisRootAdaptor::Raise() { Service.Window().BringToFront(); }

void TMprisRootAdaptor::Quit() { Service.Window().close(); }

TMprisPlayerAdaptor::TMprisPlayerAdaptor(TMprisService& service) : QDBusAbstractAdaptor(&service), Service(service) {}

QString TMprisPlayerAdaptor::PlaybackStatus() const { return TMprisService::StatusName(Service.Status().Status); }

QVariantMap TMprisPlayerAdaptor::Metadata() const { return Service.Metadata(Service.Status()); }

double TMprisPlayerAdaptor::Volume() const { return Service.Status().Muted ? 0.0 : 1.0; }

// The player has no volume of its own: silence is "Mute All", any other volume leaves it.
void TMprisPlayerAdaptor::SetVolume(double volume) {
  if ((volume <= 0.0) != Service.Status().Muted) Service.Window().Keys().Media(TMediaCommand::Mute);
}

qlonglong TMprisPlayerAdaptor::Position() const {
  const T6510& machine = Service.Window().Machine();
  const qlonglong seconds = (machine.PlayHours * 60LL + machine.PlayMinutes) * 60LL + machine.PlaySeconds;
  return seconds * MicrosecondsPerSecond;
}

bool TMprisPlayerAdaptor::CanGoNext() const { return Service.Status().CanGoNext; }

bool TMprisPlayerAdaptor::CanGoPrevious() const { return Service.Status().CanGoPrevious; }

bool TMprisPlayerAdaptor::CanPlay() const { return Service.Status().CanPlay; }

bool TMprisPlayerAdaptor::CanPause() const { return Service.Status().CanPause; }

void TMprisPlayerAdaptor::Next() { Service.Window().Keys().Media(TMediaCommand::Next); }

void TMprisPlayerAdaptor::Previous() { Service.Window().Keys().Media(TMediaCommand::Previous); }

void TMprisPlayerAdaptor::Pause() { Service.Window().Keys().Media(TMediaCommand::Pause); }

void TMprisPlayerAdaptor::PlayPause() { Service.Window().Keys().Media(TMediaCommand::PlayPause); }

void TMprisPlayerAdaptor::Stop() { Service.Window().Keys().Media(TMediaCommand::Stop); }

void TMprisPlayerAdaptor::Play() { Service.Window().Keys().Media(TMediaCommand::Play); }

// Without CanSeek the protocol asks for both to be ignored.
void TMprisPlayerAdaptor::Seek(qlonglong) {}

void TMprisPlayerAdaptor::SetPosition(const QDBusObjectPath&, qlonglong) {}

// A file opened from outside plays as if a second start had handed it over.
void TMprisPlayerAdaptor::OpenUri(const QString& uri) {
  const QUrl url(uri);
  if (url.isLocalFile()) Service.Window().OpenHandedOverFile(url.toLocalFile());
}
