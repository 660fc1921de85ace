#pragma once

#include <string>
#include <string_view>

namespace pelmora {

// A decimal number as the digits a person reads: sign, integer digits and
// fraction digits. Rounding works on these digits, so a value that is halfway
// in its decimal form is treated as halfway whatever a double would hold.
struct DecimalDigits {
    bool negative = false;
    std::string integer;   // no leading zeros; empty means 0
    std::string fraction;  // may carry trailing zeros
};

enum class TieRule { AwayFromZero, ToEven };

// Reads the strict number text: blanks (space, tab, CR, LF) around it, an
// optional "+" or "-", digits with "," allowed between two digits of the
// integer part, at most one "." with or without digits after it ("5." is 5),
// and at least one digit in all. Returns false for anything else, the empty
// text, ".", "-." and "+." included.
bool ParseDecimalText(std::string_view text, DecimalDigits& out);

// The shortest decimal form that reads back as x (x must be finite).
DecimalDigits ShortestDigits(double x);

// Rounds to `decimals` fraction digits; a carry may add an integer digit.
void RoundDigits(DecimalDigits& d, int decimals, TieRule rule);

// The double nearest to the digits; a magnitude beyond the double range is a
// Failure "Overflow" (code 6).
double DigitsToDouble(const DecimalDigits& d);

bool IsZero(const DecimalDigits& d);

}  // namespace pelmora
