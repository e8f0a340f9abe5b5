#pragma once
// Keys that the file and directory lists keep to themselves: a printable key selects the next
// entry that starts with it (type-ahead), and every key pressed with Ctrl is swallowed, so that
// only the menus' shortcuts act on it. The space bar is left to the window, which plays and pauses
// with it.
#include <QString>

class QKeyEvent;
class QListWidget;

// The row type-ahead selects: the next entry after the current one whose first character (blanks
// skipped) equals key, wrapping to firstRow; -1 when none does.
int TypeAheadRow(const QListWidget& list, const QString& key, int firstRow);

// True when the list takes the key itself; a type-ahead key also moves the selection. Entries
// before firstRow are never chosen.
bool ListTakesKey(QListWidget& list, const QKeyEvent& key, int firstRow);
