#include "ui/SongHistory.h"

void TSongHistory::AddToHistory(const std::string& path) {
  if (History.empty()) {
    History.push_back(path);
    HistoryPos = Count();
    return;
  }
  if (History[HistoryPos - 1] == path) return;
  if (HistoryPos == Count()) {
    History.push_back(path);
    HistoryPos = Count();
    return;
  }
  // Starting the entry just ahead again only moves forward to it.
  if (History[HistoryPos] != path) History.insert(History.begin() + HistoryPos, path);
  ++HistoryPos;
}

bool TSongHistory::Previous() {
  if (!CanGoBack()) return false;
  --HistoryPos;
  return true;
}

bool TSongHistory::Next() {
  if (!CanGoForward()) return false;
  ++HistoryPos;
  return true;
}

bool TSongHistory::MoveTo(int32_t position) {
  if (position < 1 || position > Count()) return false;
  HistoryPos = position;
  return true;
}

std::string TSongHistory::Current() const { return HistoryPos > 0 ? History[HistoryPos - 1] : std::string(); }
