#pragma once
// The user's folders as the XDG base directory rules name them: a variable that holds no
// absolute path counts as unset and its default applies.
#include <string>
#include <vector>

namespace platform {

std::string HomeFolder();
// $XDG_CONFIG_HOME, else ~/.config.
std::string ConfigHome();
// $XDG_DATA_HOME, else ~/.local/share.
std::string DataHome();
// $XDG_CONFIG_DIRS, else /etc/xdg.
std::vector<std::string> ConfigDirs();
// $XDG_DATA_DIRS, else /usr/local/share and /usr/share.
std::vector<std::string> DataDirs();
// $XDG_CURRENT_DESKTOP's names in lower case, most specific first.
std::vector<std::string> CurrentDesktops();

}  // namespace platform
