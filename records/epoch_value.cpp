#include "records/epoch_value.h"

#include <cmath>
#include <cstdio>

#include "platform/failure.h"
#include "readings/decimal_digits.h"

namespace pelmora {

EpochValue EpochValue::FromInteger(std::int64_t whole) {
    std::int64_t scaled = 0;
    if (__builtin_mul_overflow(whole, kScale, &scaled)) fail_overflow();
    return EpochValue(scaled);
}

EpochValue EpochValue::FromText(std::string_view text) {
    DecimalDigits d;
    if (!ParseDecimalText(text, d)) fail_type_mismatch();
    RoundDigits(d, 4, TieRule::ToEven);
    d.fraction.resize(4, '0');

    // Accumulate as a negative number so that the most negative value fits.
    std::int64_t scaled = 0;
    auto accumulate = [&](char digit) {
        if (__builtin_mul_overflow(scaled, 10, &scaled) || __builtin_sub_overflow(scaled, digit - '0', &scaled)) {
            fail_overflow();
        }
    };
    for (char c : d.integer) accumulate(c);
    for (char c : d.fraction) accumulate(c);
    if (!d.negative) {
        if (scaled == INT64_MIN) fail_overflow();
        scaled = -scaled;
    }
    return EpochValue(scaled);
}

EpochValue EpochValue::FromDouble(double x) {
    const double scaled = std::nearbyint(x * static_cast<double>(kScale));
    // 2^63 is exactly representable; everything at or beyond it overflows.
    if (!std::isfinite(scaled) || scaled >= 9223372036854775808.0 || scaled < -9223372036854775808.0) {
        fail_overflow();
    }
    return EpochValue(static_cast<std::int64_t>(scaled));
}

double EpochValue::ToDouble() const {
    const std::int64_t whole = m_scaled / kScale;
    const std::int64_t part = m_scaled % kScale;
    return static_cast<double>(whole) + static_cast<double>(part) / static_cast<double>(kScale);
}

EpochValue EpochValue::Floor() const {
    std::int64_t whole = m_scaled / kScale;
    if (m_scaled % kScale < 0) --whole;
    return EpochValue(whole * kScale);
}

std::string EpochValue::ToText() const {
    const bool negative = m_scaled < 0;
    const std::uint64_t magnitude =
        negative ? 0 - static_cast<std::uint64_t>(m_scaled) : static_cast<std::uint64_t>(m_scaled);
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%s%llu.%04llu", negative ? "-" : "",
                  static_cast<unsigned long long>(magnitude / kScale),
                  static_cast<unsigned long long>(magnitude % kScale));
    return buffer;
}

EpochValue EpochValue::operator+(EpochValue other) const {
    std::int64_t sum = 0;
    if (__builtin_add_overflow(m_scaled, other.m_scaled, &sum)) fail_overflow();
    return EpochValue(sum);
}

EpochValue EpochValue::operator-(EpochValue other) const {
    std::int64_t difference = 0;
    if (__builtin_sub_overflow(m_scaled, other.m_scaled, &difference)) fail_overflow();
    return EpochValue(difference);
}

}  // namespace pelmora
