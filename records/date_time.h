#pragma once

#include <cstdint>

#include "platform/regional_format.h"

namespace pelmora {

// A date-time value: days since 30 December 1899 00:00 as a double. For
// values below zero the integer part counts the days and the fraction's
// absolute value is the time of day (-1.25 is 29 December 1899 06:00).
using DateTime = double;

inline constexpr DateTime kUnixEpochDate = 25569.0;           // 1 January 1970 00:00
inline constexpr DateTime kMinDateTime = -657434.0;           // 1 January 100 00:00
inline constexpr DateTime kMaxDateTimeExclusive = 2958466.0;  // the day after 31 December 9999

bool InDateTimeRange(DateTime value);

// The calendar date and time of a value in range, the time rounded to the
// nearest second.
CivilDateTime ToCivil(DateTime value);

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day);
void CivilFromDays(std::int64_t days, int& year, int& month, int& day);

// The value of a calendar date and time (no range check).
DateTime FromCivil(const CivilDateTime& when);

}  // namespace pelmora
