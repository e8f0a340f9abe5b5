#pragma once
// Files and folders dropped on the main window go into the song history: a file as it is, a
// folder as every entry it holds (sub-folders too, no mask, in the order the file system lists
// them), an item that does not exist not at all. The first entry the drop added becomes the
// current one, so that it is the one started.
#include <optional>
#include <string>
#include <vector>

#include "ui/SongHistory.h"

// The entry to start; nothing when the drop added nothing, and the history is then unchanged.
std::optional<std::string> AddDroppedItems(TSongHistory& history, const std::vector<std::string>& items);
