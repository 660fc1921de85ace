#pragma once

#include <optional>
#include <string>
#include <vector>

namespace pelmora {

// The reasons figures of a document were found absurd and left out, one line each.
using AbsurdNotes = std::vector<std::string>;

// `value` when it lies within [low, high]; otherwise nothing, and a line
// naming `what` and the figure in `absurd`.
std::optional<double> BoundedFigure(std::optional<double> value, double low, double high, const std::string& what,
                                    AbsurdNotes& absurd);

}  // namespace pelmora
