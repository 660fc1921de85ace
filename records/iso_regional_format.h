#pragma once

#include "platform/regional_format.h"

namespace pelmora {

// ISO 8601 forms, for the C locale or where no regional settings exist:
// "2023-11-14 23:13:20", midnight as "2023-11-14", times as "23:13:20".
class IsoRegionalFormat : public RegionalFormat {
public:
    std::string general_date(const CivilDateTime& when) const override;
    std::string long_time_now() const override;
    std::string time_of_day_now() const override;
};

}  // namespace pelmora
