#pragma once

#include <string>

namespace pelmora {

// A file of the program's settings: $XDG_CONFIG_HOME/Pelmora/<name>, or
// ~/.config/Pelmora/<name> when that is not set to an absolute path.
std::string ConfigFilePath(const std::string& name);

// $XDG_CONFIG_HOME, or ~/.config when that is not set to an absolute path.
std::string ConfigHome();

// A folder for the program's data: $XDG_DATA_HOME/Pelmora/<name>, or
// ~/.local/share/Pelmora/<name> when that is not set to an absolute path.
std::string DataFolderPath(const std::string& name);

}  // namespace pelmora
