// vexlor-icons FOLDER: writes the program's icon as FOLDER/<size>x<size>/apps/vexlor.png in the
// sizes of the desktop's hicolor icon theme, for installing.
#include <QDir>
#include <cstdio>

#include "app/ProgramIcon.h"

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: vexlor-icons FOLDER\n");
    return 2;
  }
  for (const int size : ProgramIconSizes) {
    const QString folder = QString("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[1])).arg(size);
    if (!QDir().mkpath(folder) || !ProgramIconImage(size).save(folder + "/vexlor.png", "PNG")) {
      std::fprintf(stderr, "vexlor-icons: cannot write %s\n", qPrintable(folder));
      return 1;
    }
  }
  return 0;
}
