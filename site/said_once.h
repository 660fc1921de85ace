#pragma once

#include <set>
#include <string>

namespace pelmora {

// Remembers the lines of notes already said, so that a note that comes and
// goes (a battery that drops out and returns) is said once in a run.
class SaidOnce {
public:
    // The lines of `notes` never given before, each ended by a line break.
    std::string NewLines(const std::string& notes);

private:
    std::set<std::string> m_said;
};

}  // namespace pelmora
