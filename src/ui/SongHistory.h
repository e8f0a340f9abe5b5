#pragma once
// The song history of the main window: every file the user started, in order, with a position
// that the history buttons move back and forth. A file started while looking back is inserted
// after the current entry, so the entries ahead stay reachable.
#include <cstdint>
#include <string>
#include <vector>

class TSongHistory {
 public:
  void AddToHistory(const std::string& path);
  // Steps back or forward; false when there is no entry that way.
  bool Previous();
  bool Next();
  // Makes the entry at position (counted from 1) the current one; false when there is none.
  bool MoveTo(int32_t position);

  bool CanGoBack() const { return HistoryPos >= 2; }
  bool CanGoForward() const { return HistoryPos < Count(); }
  // The entry at the position; empty while the history is empty.
  std::string Current() const;
  // Counted from 1; 0 while the history is empty.
  int32_t Position() const { return HistoryPos; }
  int32_t Count() const { return static_cast<int32_t>(History.size()); }
  const std::vector<std::string>& Entries() const { return History; }

 private:
  std::vector<std::string> History;
  int32_t HistoryPos = 0;
};
