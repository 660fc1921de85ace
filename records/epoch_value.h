#pragma once

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

namespace pelmora {

// A signed fixed-point number with four decimals, held as the value times
// 10,000 in 64 bits (about +-922,337,203,685,477.5807). Arithmetic is exact;
// a result beyond the range is a Failure "Overflow", never wrapped.
class EpochValue {
public:
    static constexpr std::int64_t kScale = 10'000;

    constexpr EpochValue() = default;

    static constexpr EpochValue FromScaled(std::int64_t scaled) { return EpochValue(scaled); }
    static EpochValue FromInteger(std::int64_t whole);
    // The decimal text read exactly (grammar of RoundHalfEven), rounded to
    // four decimals with ties to even; not a number is "Type mismatch".
    static EpochValue FromText(std::string_view text);
    // The nearest ten-thousandth of x (ties to even).
    static EpochValue FromDouble(double x);

    std::int64_t scaled() const { return m_scaled; }
    double ToDouble() const;
    // The greatest whole number not above the value.
    EpochValue Floor() const;
    std::string ToText() const;

    EpochValue operator+(EpochValue other) const;
    EpochValue operator-(EpochValue other) const;
    auto operator<=>(const EpochValue&) const = default;  // NOLINT(modernize-use-nullptr): the defaulted comparison

private:
    constexpr explicit EpochValue(std::int64_t scaled) : m_scaled(scaled) {}
    std::int64_t m_scaled = 0;
};

}  // namespace pelmora
