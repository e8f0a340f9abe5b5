#pragma once
// A D-Bus session bus of the test's own: a dbus-daemon started for it and ended with it, so that
// services and clients meet nowhere else.
#include <QDBusConnection>
#include <QProcess>
#include <QString>

class TPrivateBus {
 public:
  TPrivateBus() {
    Daemon.setProgram("dbus-daemon");
    Daemon.setArguments({"--session", "--nofork", "--print-address=1"});
    Daemon.start(QIODevice::ReadOnly);
    if (!Daemon.waitForStarted() || !Daemon.waitForReadyRead(10000)) return;
    Address = QString::fromUtf8(Daemon.readLine()).trimmed();
  }
  ~TPrivateBus() {
    Daemon.terminate();
    if (!Daemon.waitForFinished(5000)) Daemon.kill();
  }

  // Empty when dbus-daemon could not be started.
  const QString& BusAddress() const { return Address; }
  // A connection of its own, by name: a second one of the same name is the same connection.
  QDBusConnection Connect(const QString& name) const { return QDBusConnection::connectToBus(Address, name); }

  static constexpr const char* Missing = "no private session bus: dbus-daemon (package dbus-daemon) could not be started";

 private:
  QProcess Daemon;
  QString Address;
};
