#include "readings/decimal_digits.h"

#include <charconv>
#include <cmath>
#include <system_error>

#include "platform/failure.h"

namespace pelmora {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

void strip_leading_zeros(std::string& s) {
    std::size_t first = s.find_first_not_of('0');
    if (first == std::string::npos) {
        s.clear();
    } else if (first > 0) {
        s.erase(0, first);
    }
}

}  // namespace

bool ParseDecimalText(std::string_view text, DecimalDigits& out) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && is_blank(text[begin])) ++begin;
    while (end > begin && is_blank(text[end - 1])) --end;

    out = DecimalDigits{};
    std::size_t i = begin;
    if (i < end && (text[i] == '+' || text[i] == '-')) {
        out.negative = text[i] == '-';
        ++i;
    }
    bool any_integer_digit = false;
    while (i < end) {
        char c = text[i];
        if (is_digit(c)) {
            out.integer.push_back(c);
            any_integer_digit = true;
            ++i;
        } else if (c == ',') {
            // A group separator must stand between two digits.
            if (!any_integer_digit || i + 1 >= end || !is_digit(text[i + 1])) return false;
            ++i;
        } else {
            break;
        }
    }
    bool any_fraction_digit = false;
    if (i < end && text[i] == '.') {
        ++i;
        while (i < end && is_digit(text[i])) {
            out.fraction.push_back(text[i]);
            any_fraction_digit = true;
            ++i;
        }
    }
    if (i != end) return false;
    if (!any_integer_digit && !any_fraction_digit) return false;
    strip_leading_zeros(out.integer);
    return true;
}

DecimalDigits ShortestDigits(double x) {
    char buffer[512];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::fixed);
    DecimalDigits d;
    std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
    if (!text.empty() && text.front() == '-') {
        d.negative = true;
        text.remove_prefix(1);
    }
    std::size_t point = text.find('.');
    d.integer = std::string(text.substr(0, point));
    if (point != std::string_view::npos) d.fraction = std::string(text.substr(point + 1));
    strip_leading_zeros(d.integer);
    return d;
}

void RoundDigits(DecimalDigits& d, int decimals, TieRule rule) {
    const std::size_t keep = decimals < 0 ? 0 : static_cast<std::size_t>(decimals);
    if (d.fraction.size() <= keep) return;

    const char first_dropped = d.fraction[keep];
    bool up = false;
    if (first_dropped > '5') {
        up = true;
    } else if (first_dropped == '5') {
        if (rule == TieRule::AwayFromZero) {
            up = true;
        } else {
            bool beyond_half = d.fraction.find_first_not_of('0', keep + 1) != std::string::npos;
            if (beyond_half) {
                up = true;
            } else {
                char last_kept = keep > 0 ? d.fraction[keep - 1] : (d.integer.empty() ? '0' : d.integer.back());
                up = ((last_kept - '0') % 2) == 1;
            }
        }
    }
    d.fraction.resize(keep);
    if (!up) return;

    for (std::size_t i = d.fraction.size(); i-- > 0;) {
        if (d.fraction[i] != '9') {
            ++d.fraction[i];
            return;
        }
        d.fraction[i] = '0';
    }
    for (std::size_t i = d.integer.size(); i-- > 0;) {
        if (d.integer[i] != '9') {
            ++d.integer[i];
            return;
        }
        d.integer[i] = '0';
    }
    d.integer.insert(d.integer.begin(), '1');
}

bool IsZero(const DecimalDigits& d) {
    return d.integer.find_first_not_of('0') == std::string::npos &&
           d.fraction.find_first_not_of('0') == std::string::npos;
}

double DigitsToDouble(const DecimalDigits& d) {
    std::string text;
    text.reserve(d.integer.size() + d.fraction.size() + 3);
    if (d.negative) text.push_back('-');
    text += d.integer.empty() ? std::string("0") : d.integer;
    if (!d.fraction.empty()) {
        text.push_back('.');
        text += d.fraction;
    }
    double value = 0.0;
    auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // Out of range is either too large (a failure) or too small (zero).
        if (!d.integer.empty()) fail_overflow();
        return d.negative ? -0.0 : 0.0;
    }
    if (result.ec != std::errc() || !std::isfinite(value)) fail_overflow();
    return value;
}

}  // namespace pelmora
