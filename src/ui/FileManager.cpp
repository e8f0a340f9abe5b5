#include "ui/FileManager.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace {

constexpr const char* Service = "org.freedesktop.FileManager1";
constexpr const char* ObjectPath = "/org/freedesktop/FileManager1";
constexpr const char* Interface = "org.freedesktop.FileManager1";

// A connection of the program's own, made the first time a file manager is asked.
QDBusConnection SessionBus() {
  return QDBusConnection::connectToBus(QDBusConnection::SessionBus, "vexlor-file-manager");
}

void RunFallback(const QString& path) {
  const TFileManagerCommand command = FallbackFileManagerCommand(path);
  QProcess::startDetached(command.Program, command.Arguments);
}

}  // namespace

TFileManagerCommand FallbackFileManagerCommand(const QString& path) {
  const QFileInfo target(path);
  return {"xdg-open", {target.isDir() ? target.absoluteFilePath() : target.absolutePath()}};
}

void ShowInFileManager(const QString& path) {
  QDBusConnection bus = SessionBus();
  if (!bus.isConnected()) {
    RunFallback(path);
    return;
  }
  const QFileInfo target(path);
  QDBusMessage call = QDBusMessage::createMethodCall(Service, ObjectPath, Interface,
                                                     target.isDir() ? "ShowFolders" : "ShowItems");
  call << QStringList{QUrl::fromLocalFile(target.absoluteFilePath()).toString()} << QString();
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), QCoreApplication::instance());
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [path](QDBusPendingCallWatcher* answered) {
    if (answered->isError()) RunFallback(path);
    answered->deleteLater();
  });
}
