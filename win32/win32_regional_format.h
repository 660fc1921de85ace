#pragma once

#include "platform/regional_format.h"

namespace pelmora {

// The user's regional forms as Windows keeps them: the short date and the
// long time (with seconds). A date Windows cannot show (before 1601) is
// shown in ISO form.
class Win32RegionalFormat : public RegionalFormat {
public:
    std::string general_date(const CivilDateTime& when) const override;
    std::string long_time_now() const override;
    std::string time_of_day_now() const override;
};

}  // namespace pelmora
