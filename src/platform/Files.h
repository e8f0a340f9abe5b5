#pragma once
// Whole-file reads and writes for the program's own small files. A replaced file is never seen
// half-written: the new text goes to a temporary file beside it, reaches the disk, and is
// renamed over the old one.
#include <string>
#include <string_view>

namespace platform {

std::string FolderOf(const std::string& path);
// Creates the folder and its missing parents (readable by the user only); false when it still
// is no folder afterwards.
bool CreateFolders(const std::string& folder);
bool ReadWhole(int descriptor, std::string& text);
bool WriteWhole(int descriptor, std::string_view text);
// False, and the file as it was, when the text cannot reach the disk. The folder must exist.
bool ReplaceFile(const std::string& path, std::string_view text);
// Nothing for a file that cannot be read.
bool ReadFile(const std::string& path, std::string& text);

}  // namespace platform
