#include "ui/ListKeys.h"

#include <QKeyEvent>
#include <QListWidget>
#include <algorithm>

namespace {

bool Printable(const QString& text) { return text.size() == 1 && text[0].isPrint() && !text[0].isSpace(); }

}  // namespace

int TypeAheadRow(const QListWidget& list, const QString& key, int firstRow) {
  const int count = list.count();
  if (firstRow >= count || key.isEmpty()) return -1;
  const QChar wanted = key[0].toUpper();
  const int current = list.currentRow();
  for (int step = 1; step <= count; ++step) {
    const int row = (std::max(current, -1) + step) % count;
    if (row < firstRow) continue;
    const QString name = list.item(row)->text().trimmed();
    if (!name.isEmpty() && name[0].toUpper() == wanted) return row;
  }
  return -1;
}

bool ListTakesKey(QListWidget& list, const QKeyEvent& key, int firstRow) {
  if (key.modifiers() & Qt::ControlModifier) return true;
  if (!Printable(key.text())) return false;
  if (const int row = TypeAheadRow(list, key.text(), firstRow); row >= 0) list.setCurrentRow(row);
  return true;
}
