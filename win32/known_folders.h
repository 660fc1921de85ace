#pragma once

#include <string>

namespace pelmora {

// A file or folder of the program's that roams with the user:
// %APPDATA%\Pelmora\<name>, in UTF-8.
std::string RoamingFolderPath(const std::string& name);

// One that stays on this machine: %LOCALAPPDATA%\Pelmora\<name>.
std::string LocalFolderPath(const std::string& name);

}  // namespace pelmora
