#include "readings/number_text.h"

#include <charconv>
#include <cmath>

#include "platform/failure.h"
#include "readings/decimal_digits.h"

namespace pelmora {

std::string FormatTenths(double x) {
    if (std::isnan(x)) return "NaN";
    if (std::isinf(x)) return x < 0 ? "-Infinity" : "Infinity";

    DecimalDigits d = ShortestDigits(x);
    RoundDigits(d, 1, TieRule::AwayFromZero);
    if (d.fraction.empty()) d.fraction = "0";
    if (d.integer.empty()) d.integer = "0";

    std::string out;
    out.reserve(d.integer.size() + d.integer.size() / 3 + 4);
    if (d.negative && !IsZero(d)) out.push_back('-');
    const std::size_t n = d.integer.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) out.push_back(',');
        out.push_back(d.integer[i]);
    }
    out.push_back('.');
    out.push_back(d.fraction[0]);
    return out;
}

double ShownTenths(double x) {
    if (!std::isfinite(x)) return x;
    DecimalDigits d = ShortestDigits(x);
    RoundDigits(d, 1, TieRule::AwayFromZero);
    return DigitsToDouble(d);
}

double LeadingNumber(std::string_view text) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n')) ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::size_t digits_start = i;
    bool nonzero_integer = false;
    while (i < n && text[i] >= '0' && text[i] <= '9') {
        nonzero_integer = nonzero_integer || text[i] != '0';
        ++i;
    }
    bool any_digit = i > digits_start;
    std::size_t end = i;
    if (i < n && text[i] == '.') {
        std::size_t j = i + 1;
        while (j < n && text[j] >= '0' && text[j] <= '9') ++j;
        if (j > i + 1) {
            any_digit = true;
            end = j;
        }
    }
    if (!any_digit) return 0.0;

    // from_chars takes no "+", so the sign is applied afterwards.
    const char* first = text.data() + digits_start;
    const char* last = text.data() + end;
    double value = 0.0;
    auto result = std::from_chars(first, last, value, std::chars_format::fixed);
    if (result.ec == std::errc::result_out_of_range) {
        value = nonzero_integer ? HUGE_VAL : 0.0;
    } else if (result.ec != std::errc()) {
        value = 0.0;
    }
    return negative ? -value : value;
}

double RoundHalfEven(std::string_view text, int decimals) {
    DecimalDigits d;
    if (!ParseDecimalText(text, d)) fail_type_mismatch();
    RoundDigits(d, decimals, TieRule::ToEven);
    return DigitsToDouble(d);
}

double RoundHalfEven(double x, int decimals) {
    if (!std::isfinite(x)) fail_overflow();
    DecimalDigits d = ShortestDigits(x);
    RoundDigits(d, decimals, TieRule::ToEven);
    return DigitsToDouble(d);
}

double NumberFromText(std::string_view text) {
    DecimalDigits d;
    if (!ParseDecimalText(text, d)) fail_type_mismatch();
    return DigitsToDouble(d);
}

}  // namespace pelmora
