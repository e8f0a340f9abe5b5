#pragma once
// One running program per user: the first start takes the instance lock "Vexlor" and listens on
// a local socket "Vexlor"; a later start with a file hands that file's path to it in a 2000-byte
// block (a zero-terminated path of at most 1999 characters) and ends, one without a file ends
// at once. Both live in the user's runtime folder; the lock notices a holder that has died, and
// its successor clears the socket file left behind.
#include <QLockFile>
#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;
class TVexlor;

// The folder of the lock and the socket: $XDG_RUNTIME_DIR, else a folder of the user's own in
// the temporary folder.
QString InstanceFolder();

class TInstanceLock {
 public:
  TInstanceLock();
  // True for the first instance, which then holds the lock until it ends.
  bool Acquire();

 private:
  QLockFile Lock;
};

// The second start's side: hands the path to the running instance and waits until it has read
// it. False when no instance answered.
bool HandOverToRunningInstance(const QString& path);

// The first instance's side: every block that arrives is handed to the main window.
class TInstanceServer : public QObject {
  Q_OBJECT

 public:
  explicit TInstanceServer(TVexlor& window);
  bool Listen();

 private:
  void Accept();
  void Receive(QLocalSocket* client);

  TVexlor& Window;
  QLocalServer* Server;
};
