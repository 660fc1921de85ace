#include "site/said_once.h"

namespace pelmora {

std::string SaidOnce::NewLines(const std::string& notes) {
    std::string fresh;
    std::size_t start = 0;
    while (start < notes.size()) {
        const std::size_t end = std::min(notes.find('\n', start), notes.size());
        std::string line = notes.substr(start, end - start);
        if (!line.empty() && m_said.insert(line).second) fresh += line + "\n";
        start = end + 1;
    }
    return fresh;
}

}  // namespace pelmora
