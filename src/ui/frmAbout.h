#pragma once
// TFormAbout: the modal About window with the product line, the credits for the supported
// hardware and the logo.
#include <QDialog>
#include <QString>

class TFormAbout : public QDialog {
  Q_OBJECT

 public:
  explicit TFormAbout(QWidget* parent);

  // "Vexlor Player v" + version + " - Commodore 64 Music Player"; a program without version
  // information counts as 1.0.0.
  static QString ProductLine(const QString& version);
  static QString Credits();
};
