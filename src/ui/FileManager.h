#pragma once
// Showing a file or a folder in the desktop's file manager: asked over the session bus through
// the org.freedesktop.FileManager1 interface (a file is shown highlighted in its folder, a folder
// is opened), and when no file manager answers there, the folder is opened with xdg-open.
#include <QString>
#include <QStringList>

struct TFileManagerCommand {
  QString Program;
  QStringList Arguments;
};

// What runs when no file manager answers on the bus: xdg-open on the folder (a file's folder).
TFileManagerCommand FallbackFileManagerCommand(const QString& path);

// Returns at once; the file manager's answer, or its absence, is handled as it arrives.
void ShowInFileManager(const QString& path);
