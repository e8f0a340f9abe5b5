#include "app/SingleInstance.h"

#include <unistd.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>
#include <array>

#include "ui/frmSidPlayer.h"

namespace {

constexpr const char* InstanceName = "Vexlor";
constexpr qsizetype HandOverBlockSize = 2000;
constexpr char Handled = 1;
// A running instance that is still starting may not listen yet; one that does not read the
// block within this time is taken to be gone.
constexpr int ConnectTimeMs = 5000;
constexpr int ReplyTimeMs = 5000;
constexpr int RetryMs = 50;

QString SocketPath() { return InstanceFolder() + "/" + InstanceName; }

// The path's bytes, cut to 1999 so that the terminator fits, without splitting a character.
QByteArray HandOverBlock(const QString& path) {
  QByteArray text = QFile::encodeName(path);
  if (text.size() >= HandOverBlockSize) {
    qsizetype cut = HandOverBlockSize - 1;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    text.truncate(cut);
  }
  QByteArray block(HandOverBlockSize, '\0');
  block.replace(0, text.size(), text);
  return block;
}

QString HandedOverPath(const QByteArray& block) {
  const qsizetype end = block.indexOf('\0');
  return QFile::decodeName(block.left(end < 0 ? block.size() : end));
}

}  // namespace

QString InstanceFolder() {
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty() && QDir(runtime).exists()) return runtime;
  const QString own = QDir::tempPath() + QString("/vexlor-%1").arg(getuid());
  QDir().mkpath(own);
  QFile::setPermissions(own, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  return own;
}

// Only a holder that has died makes the lock stale, however long it has been held.
TInstanceLock::TInstanceLock() : Lock(InstanceFolder() + "/" + InstanceName + ".lock") { Lock.setStaleLockTime(0); }

bool TInstanceLock::Acquire() { return Lock.tryLock(0); }

bool HandOverToRunningInstance(const QString& path) {
  QLocalSocket socket;
  const QDeadlineTimer deadline(ConnectTimeMs);
  for (;;) {
    socket.connectToServer(SocketPath());
    if (socket.waitForConnected(static_cast<int>(deadline.remainingTime()))) break;
    if (deadline.hasExpired()) return false;
    QThread::msleep(RetryMs);
  }
  socket.write(HandOverBlock(path));
  if (!socket.waitForBytesWritten(ReplyTimeMs)) return false;
  while (socket.bytesAvailable() < 1)
    if (!socket.waitForReadyRead(ReplyTimeMs)) return false;
  return socket.read(1) == QByteArray(1, Handled);
}

TInstanceServer::TInstanceServer(TVexlor& window) : QObject(&window), Window(window), Server(new QLocalServer(this)) {
  Server->setSocketOptions(QLocalServer::UserAccessOption);
  connect(Server, &QLocalServer::newConnection, this, [this] { Accept(); });
}

// Holding the lock means no live instance listens: a socket file is one a crash left behind.
bool TInstanceServer::Listen() {
  QLocalServer::removeServer(SocketPath());
  return Server->listen(SocketPath());
}

void TInstanceServer::Accept() {
  while (QLocalSocket* client = Server->nextPendingConnection()) {
    connect(client, &QLocalSocket::readyRead, this, [this, client] { Receive(client); });
    connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
    Receive(client);
  }
}

// The sender is released once the block is read; the window takes the file afterwards, so that
// a message box the start may show does not hold the sender.
void TInstanceServer::Receive(QLocalSocket* client) {
  if (client->bytesAvailable() < HandOverBlockSize) return;
  const QString path = HandedOverPath(client->read(HandOverBlockSize));
  client->write(QByteArray(1, Handled));
  client->flush();
  client->disconnectFromServer();
  QTimer::singleShot(0, &Window, [this, path] { Window.OpenHandedOverFile(path); });
}
