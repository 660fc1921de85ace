#include "platform/user_folders.h"

#include <cstdlib>

namespace pelmora {

std::string DataFolderPath(const std::string& name) {
    const char* data = std::getenv("XDG_DATA_HOME");
    std::string base;
    if (data != nullptr && data[0] == '/') {
        base = data;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home != nullptr ? home : "") + "/.local/share";
    }
    return base + "/Pelmora/" + name;
}

}  // namespace pelmora
