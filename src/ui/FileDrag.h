#pragma once
// TFileDrag: makes one window a drop target for files and folders from the desktop. A drop
// keeps the full paths of the dropped items in Files and announces itself with Dropped.
#include <QObject>
#include <QStringList>

class QWidget;

class TFileDrag : public QObject {
  Q_OBJECT

 public:
  explicit TFileDrag(QWidget& owner);

  const QStringList& Files() const { return DroppedFiles; }
  // Items in the last drop, counting those that are no local files.
  int FileCount() const { return Count; }
  bool EnableDrop() const { return Enabled; }
  void SetEnableDrop(bool enable);

 signals:
  void Dropped();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget& Owner;
  QStringList DroppedFiles;
  int Count = 0;
  bool Enabled = false;
};
