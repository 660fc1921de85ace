#pragma once

#include <string>

namespace pelmora {

// A calendar date and time of day, to the second.
struct CivilDateTime {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0;

    bool operator==(const CivilDateTime&) const = default;
};

// Dates and times as the user's regional settings write them.
class RegionalFormat {
public:
    virtual ~RegionalFormat() = default;

    // The general date form: short date, one blank, time with seconds; a time
    // of exactly midnight gives the date alone.
    virtual std::string general_date(const CivilDateTime& when) const = 0;

    // The current local time of day in the long-time form (the error log).
    virtual std::string long_time_now() const = 0;

    // The current local time of day in the default time form (hours,
    // minutes, seconds).
    virtual std::string time_of_day_now() const = 0;
};

}  // namespace pelmora
