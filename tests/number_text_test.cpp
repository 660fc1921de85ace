#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <string>

#include "platform/failure.h"
#include "readings/number_text.h"

namespace pelmora {
namespace {

struct FormatRow {
    const char* name;
    double value;
    const char* figure;
};

class FormatTenthsTest : public ::testing::TestWithParam<FormatRow> {};

TEST_P(FormatTenthsTest, GivesFigure) { EXPECT_EQ(FormatTenths(GetParam().value), GetParam().figure); }

INSTANTIATE_TEST_SUITE_P(
    Rows, FormatTenthsTest,
    ::testing::Values(
        FormatRow{"grouped", 1234.56, "1,234.6"}, FormatRow{"zero", 0.0, "0.0"},
        FormatRow{"negative_half", -0.5, "-0.5"}, FormatRow{"carry_into_new_group", 999.95, "1,000.0"},
        FormatRow{"decimal_tie_away_from_zero", 2.45, "2.5"}, FormatRow{"negative_tie_away_from_zero", -2.45, "-2.5"},
        FormatRow{"negative_rounding_to_zero", -0.04, "0.0"}, FormatRow{"negative_zero", -0.0, "0.0"},
        FormatRow{"millions", -1234567.89, "-1,234,567.9"}, FormatRow{"three_digits_no_group", 999.0, "999.0"},
        FormatRow{"four_digits_group", 1000.0, "1,000.0"}, FormatRow{"product_of_current_and_pf", 5.3 * -0.9, "-4.8"},
        FormatRow{"tiny", 1e-300, "0.0"}, FormatRow{"huge", 1e21, "1,000,000,000,000,000,000,000.0"},
        FormatRow{"infinity", std::numeric_limits<double>::infinity(), "Infinity"}),
    [](const auto& info) { return std::string(info.param.name); });

struct LeadingRow {
    const char* name;
    const char* text;
    double value;
};

class LeadingNumberTest : public ::testing::TestWithParam<LeadingRow> {};

TEST_P(LeadingNumberTest, ReadsAsFarAsItGoes) { EXPECT_DOUBLE_EQ(LeadingNumber(GetParam().text), GetParam().value); }

INSTANTIATE_TEST_SUITE_P(
    Rows, LeadingNumberTest,
    ::testing::Values(LeadingRow{"empty", "", 0.0}, LeadingRow{"letters", "abc", 0.0},
                      LeadingRow{"lone_minus", "-", 0.0}, LeadingRow{"blank_number_unit", " 12.5 ms", 12.5},
                      LeadingRow{"comma_ends_negative", "-1,234.5", -1.0},
                      LeadingRow{"comma_ends_positive", "1,234.5", 1.0}, LeadingRow{"plus_sign", "+7", 7.0},
                      LeadingRow{"point_without_digits", "5.x", 5.0}, LeadingRow{"fraction_only", "-.5", -0.5},
                      LeadingRow{"tab_and_newline", "\t\n3.25", 3.25}, LeadingRow{"sign_then_blank", "- 3", 0.0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LeadingNumber, BeyondDoubleRangeIsInfiniteNotGarbage) {
    std::string huge(400, '9');
    EXPECT_TRUE(std::isinf(LeadingNumber(huge)));
    EXPECT_EQ(LeadingNumber("0." + std::string(400, '0') + "1"), 0.0);
}

struct RoundRow {
    const char* name;
    const char* text;
    int decimals;
    double value;
};

class RoundHalfEvenTextTest : public ::testing::TestWithParam<RoundRow> {};

TEST_P(RoundHalfEvenTextTest, RoundsDecimalDigits) {
    EXPECT_DOUBLE_EQ(RoundHalfEven(GetParam().text, GetParam().decimals), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RoundHalfEvenTextTest,
    ::testing::Values(RoundRow{"tie_down_to_even", "2.25", 1, 2.2}, RoundRow{"tie_up_to_even", "2.35", 1, 2.4},
                      RoundRow{"decimal_tie_245", "2.45", 1, 2.4}, RoundRow{"half_to_zero", "0.5", 0, 0.0},
                      RoundRow{"one_and_half", "1.5", 0, 2.0}, RoundRow{"beyond_half", "2.2501", 1, 2.3},
                      RoundRow{"blank_negative", " -3.217", 1, -3.2}, RoundRow{"grouped", "1,234.56", 1, 1234.6},
                      RoundRow{"blanks_around", " \t 230.25\r\n", 1, 230.2}, RoundRow{"plus_sign", "+4.44", 1, 4.4},
                      RoundRow{"no_integer_digits", ".96", 1, 1.0}, RoundRow{"negative_zero_text", "-0.000", 1, 0.0},
                      RoundRow{"carry", "9.96", 1, 10.0}, RoundRow{"whole_slot8", "-12.34", 0, -12.0},
                      RoundRow{"epoch_seconds", " 1700000000", 0, 1700000000.0},
                      RoundRow{"point_without_fraction", "5.", 1, 5.0}, RoundRow{"signed_point", "-5.", 0, -5.0}),
    [](const auto& info) { return std::string(info.param.name); });

struct BadTextRow {
    const char* name;
    std::string text;
    int code;
};

class RoundHalfEvenFailureTest : public ::testing::TestWithParam<BadTextRow> {};

TEST_P(RoundHalfEvenFailureTest, FailsWithCode) {
    try {
        RoundHalfEven(GetParam().text, 1);
        FAIL() << "no failure for '" << GetParam().text << "'";
    } catch (const Failure& f) {
        EXPECT_EQ(f.code(), GetParam().code);
        EXPECT_FALSE(f.message().empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RoundHalfEvenFailureTest,
    ::testing::Values(BadTextRow{"empty", "", 13}, BadTextRow{"blanks_only", "   ", 13},
                      BadTextRow{"lone_sign", "-", 13}, BadTextRow{"letters", "abc", 13},
                      BadTextRow{"number_then_letters", "12 ms", 13}, BadTextRow{"two_points", "1.2.3", 13},
                      BadTextRow{"exponent", "1e5", 13}, BadTextRow{"nan", "nan", 13}, BadTextRow{"inf", "inf", 13},
                      BadTextRow{"lone_point", ".", 13}, BadTextRow{"minus_point", "-.", 13},
                      BadTextRow{"plus_point", "+.", 13}, BadTextRow{"leading_comma", ",5", 13},
                      BadTextRow{"double_comma", "1,,5", 13}, BadTextRow{"comma_in_fraction", "1.2,5", 13},
                      BadTextRow{"trailing_comma", "5,", 13}, BadTextRow{"inner_blank", "1 2", 13},
                      BadTextRow{"two_signs", "--1", 13}, BadTextRow{"nul_byte", std::string("1\0", 2), 13},
                      BadTextRow{"beyond_double", std::string(400, '9'), 6}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RoundHalfEvenNumber, RoundsShortestDecimalForm) {
    EXPECT_DOUBLE_EQ(RoundHalfEven(2.45, 1), 2.4);  // held as 2.4500000000000002
    EXPECT_DOUBLE_EQ(RoundHalfEven(2.35, 1), 2.4);
    EXPECT_DOUBLE_EQ(RoundHalfEven(0.5, 0), 0.0);
    EXPECT_DOUBLE_EQ(RoundHalfEven(2345.7 + -1000.0, 1), 1345.7);
    EXPECT_THROW(RoundHalfEven(std::numeric_limits<double>::infinity(), 1), Failure);
    EXPECT_THROW(RoundHalfEven(std::nan(""), 1), Failure);
}

TEST(NumberText, FigureReadsBackAfterRemovingGroups) {
    struct Row {
        double value;
        double rounded;
    };
    for (Row row : {Row{0.0, 0.0}, Row{0.14, 0.1}, Row{-3.25, -3.3}, Row{999.95, 1000.0}, Row{1234.56, 1234.6},
                    Row{-98765.43, -98765.4}, Row{1234567.0, 1234567.0}}) {
        std::string figure = FormatTenths(row.value);
        std::string plain;
        for (char c : figure) {
            if (c != ',') plain += c;
        }
        EXPECT_DOUBLE_EQ(LeadingNumber(plain), row.rounded) << figure;
        EXPECT_DOUBLE_EQ(RoundHalfEven(figure, 1), row.rounded) << figure;
    }
}

// Needs a German locale (the set-up installs de_DE.UTF-8; Windows names it
// German_Germany.1252): "," as its decimal point, which the figures must not
// follow.
TEST(NumberText, IgnoresTheProcessLocale) {
#ifdef _WIN32
    const char* german = "German_Germany.1252";
#else
    const char* german = "de_DE.UTF-8";
#endif
    ASSERT_NE(std::setlocale(LC_ALL, german), nullptr) << "the " << german << " locale is missing";
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    EXPECT_EQ(FormatTenths(1234.56), "1,234.6");
    EXPECT_DOUBLE_EQ(RoundHalfEven("1,234.56", 1), 1234.6);
    EXPECT_DOUBLE_EQ(LeadingNumber("2.5"), 2.5);
    std::setlocale(LC_ALL, "C");
}

}  // namespace
}  // namespace pelmora
