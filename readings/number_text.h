#pragma once

#include <string>
#include <string_view>

namespace pelmora {

// The figure of x in the pattern "#,##0.0": rounded to a tenth, a tie (in
// the shortest decimal form of x) going away from zero, "," between groups of
// three digits, "." as decimal point, "-" only when the figure is not zero.
// Never fails; non-finite values give "NaN", "Infinity" or "-Infinity".
std::string FormatTenths(double x);

// The number FormatTenths(x) shows: x rounded to a tenth the same way.
// A non-finite x is itself.
double ShownTenths(double x);

// The number at the start of the text, read as far as it goes: leading blanks,
// an optional sign, digits, optionally "." and digits. A "," ends the number.
// A text with no number at its start reads as 0. Never fails; a magnitude
// beyond the double range reads as an infinity.
double LeadingNumber(std::string_view text);

// Reads the whole text as one decimal number (see ParseDecimalText) and rounds
// it to `decimals` places, a tie going to the even neighbour. A text that is
// not one number is a Failure "Type mismatch" (13); a number beyond the double
// range is a Failure "Overflow" (6).
double RoundHalfEven(std::string_view text, int decimals);

// Rounds the shortest decimal form of x the same way. A non-finite x is a
// Failure "Overflow" (6).
double RoundHalfEven(double x, int decimals);

// Reads the whole text as one decimal number without rounding; failures as for
// RoundHalfEven of a text.
double NumberFromText(std::string_view text);

}  // namespace pelmora
