#include "ui/FileDrag.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace {

bool HoldsLocalFiles(const QMimeData* data) {
  if (!data || !data->hasUrls()) return false;
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) return true;
  return false;
}

}  // namespace

TFileDrag::TFileDrag(QWidget& owner) : QObject(&owner), Owner(owner) {
  Owner.installEventFilter(this);
  SetEnableDrop(true);
}

void TFileDrag::SetEnableDrop(bool enable) {
  Enabled = enable;
  Owner.setAcceptDrops(enable);
}

bool TFileDrag::eventFilter(QObject* watched, QEvent* event) {
  if (watched != &Owner || !Enabled) return false;
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* drag = static_cast<QDragMoveEvent*>(event);
      if (HoldsLocalFiles(drag->mimeData())) drag->acceptProposedAction();
      return true;
    }
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      if (!HoldsLocalFiles(drop->mimeData())) return true;
      const QList<QUrl> urls = drop->mimeData()->urls();
      DroppedFiles.clear();
      Count = static_cast<int>(urls.size());
      for (const QUrl& url : urls)
        if (url.isLocalFile()) DroppedFiles << url.toLocalFile();
      drop->acceptProposedAction();
      emit Dropped();
      return true;
    }
    default:
      return false;
  }
}
