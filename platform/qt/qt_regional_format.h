#pragma once

#include "platform/regional_format.h"

namespace pelmora {

// Dates and times in the system locale's forms; under the C locale, ISO 8601.
class QtRegionalFormat : public RegionalFormat {
public:
    std::string general_date(const CivilDateTime& when) const override;
    std::string long_time_now() const override;
    std::string time_of_day_now() const override;
};

}  // namespace pelmora
