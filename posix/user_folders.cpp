#include "posix/user_folders.h"

#include <cstdlib>

namespace pelmora {

namespace {

// The XDG base folder named by `variable`, or `fallback` under the home folder.
std::string base_folder(const char* variable, const char* fallback) {
    const char* set = std::getenv(variable);
    if (set != nullptr && set[0] == '/') return set;
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + fallback;
}

}  // namespace

std::string ConfigHome() { return base_folder("XDG_CONFIG_HOME", "/.config"); }

std::string ConfigFilePath(const std::string& name) { return ConfigHome() + "/Pelmora/" + name; }

std::string DataFolderPath(const std::string& name) {
    return base_folder("XDG_DATA_HOME", "/.local/share") + "/Pelmora/" + name;
}

}  // namespace pelmora
