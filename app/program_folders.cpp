#include "app/program_folders.h"

namespace pelmora {

std::string HistoryFolderName(const std::string& program) {
    if (program == "Pelmora") return "history";
    std::string name = "history-";
    for (const char c : program) {
        const bool kept = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                          c == '-' || c == '_';
        name += kept ? c : '_';
    }
    return name;
}

}  // namespace pelmora
