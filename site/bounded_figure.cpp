#include "site/bounded_figure.h"

#include <cmath>

#include "readings/number_text.h"

namespace pelmora {

std::optional<double> BoundedFigure(std::optional<double> value, double low, double high, const std::string& what,
                                    AbsurdNotes& absurd) {
    if (!value) return std::nullopt;
    if (*value >= low && *value <= high) return value;
    const std::string figure = std::fabs(*value) < 1e15 ? FormatTenths(*value) : std::string("an enormous number");
    absurd.push_back(what + " of " + figure + " is left out");
    return std::nullopt;
}

}  // namespace pelmora
