#pragma once
// The ".sid" association as the preferences dialog switches it: the dialog's box shows
// SidFilesRegistered when it opens, and Save calls RegisterSidFiles when the box is ticked,
// UnregisterSidFiles when it is not. The desktop program hands in the desktop's own operations
// (app/FileAssociation.h); a window built without them offers no box to tick.
#include <functional>

struct TSidFileAssociation {
  std::function<bool()> SidFilesRegistered;
  std::function<bool()> RegisterSidFiles;
  std::function<bool()> UnregisterSidFiles;

  bool Available() const { return SidFilesRegistered && RegisterSidFiles && UnregisterSidFiles; }
};
