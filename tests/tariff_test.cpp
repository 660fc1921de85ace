// The owner's tariff: each real capture read, the price of every minute of
// a week counted by price (the periods worked out by hand from the JSON),
// season changes round the new year, periods carried over midnight, and
// hostile documents.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <utility>

#include "records/date_time.h"
#include "fakes/memory_settings_store.h"
#include "site/tariff.h"
#include "site/tariff_form.h"
#include "test_support.h"

namespace pelmora {
namespace {

Tariff tariff_of(const std::string& name) {
    AbsurdNotes absurd;
    const std::optional<Tariff> tariff = ParseTariff(test::ReadFixture("site/" + name), absurd);
    EXPECT_TRUE(tariff && absurd.empty()) << name;
    return tariff.value_or(Tariff{});
}

// The local minute of a UTC date and time, read as local.
LocalMinute at(int year, int month, int day, int hour, int minute) {
    return LocalMinuteOf(DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60, 0);
}

// How many minutes of the week from Monday `year`-`month`-`day` cost each
// buying price, rounded to 5 decimals.
std::map<double, int> week_of(const Tariff& tariff, int year, int month, int day) {
    std::map<double, int> minutes;
    const std::int64_t monday = DaysFromCivil(year, month, day) * 86400;
    for (std::int64_t m = 0; m < 7 * 1440; ++m) {
        const LocalMinute local = LocalMinuteOf(monday + m * 60, 0);
        EXPECT_EQ(local.weekday, static_cast<int>(m / 1440));
        ++minutes[std::round(PricesAt(tariff, local).buy * 1e5) / 1e5];
    }
    return minutes;
}

TEST(Tariff, EachCaptureAndTheMinutesOfAWeek) {
    const Tariff usd = tariff_of("fw-8.2.4286-battery-tariff.json");
    EXPECT_EQ(usd.currency, "USD");
    ASSERT_EQ(usd.seasons.size(), 2u);
    EXPECT_EQ(usd.sell, 0.0);
    // Summer: 16:00 to 21:00 at 0.5878, 15:00 to 16:00 and 21:00 to 23:59 at
    // 0.42303, midnight to 15:00 and the last minute at 0.36445, every day.
    EXPECT_EQ(week_of(usd, 2024, 8, 5),
              (std::map<double, int>{{0.36445, 7 * 901}, {0.42303, 7 * 239}, {0.5878, 7 * 300}}));
    EXPECT_EQ(week_of(usd, 2024, 12, 2),
              (std::map<double, int>{{0.31377, 7 * 901}, {0.32828, 7 * 239}, {0.3514, 7 * 300}}));
    EXPECT_NEAR(PricesAt(usd, at(2024, 8, 6, 16, 30)).buy, 0.5878, 1e-6);
    // Winter from October 1, round the new year to June 1.
    EXPECT_NEAR(PricesAt(usd, at(2024, 9, 30, 16, 30)).buy, 0.5878, 1e-6);
    EXPECT_NEAR(PricesAt(usd, at(2024, 10, 1, 16, 30)).buy, 0.3514, 1e-6);
    EXPECT_NEAR(PricesAt(usd, at(2025, 5, 31, 16, 30)).buy, 0.3514, 1e-6);
    EXPECT_NEAR(PricesAt(usd, at(2025, 6, 1, 16, 30)).buy, 0.5878, 1e-6);

    const Tariff flat = tariff_of("fw-8.3.5169-no-battery-tariff.json");
    EXPECT_EQ(week_of(flat, 2025, 3, 3), (std::map<double, int>{{0.07235, 7 * 1440}})) << "winter from December 1";
    EXPECT_EQ(week_of(flat, 2025, 7, 7), (std::map<double, int>{{0.14154, 7 * 1440}}));
    EXPECT_NEAR(PricesAt(flat, at(2025, 7, 7, 12, 0)).sell, 0.0202, 1e-6);
    const Tariff aud = tariff_of("fw-8.2.4345-tariff.json");
    EXPECT_EQ(aud.currency, "AUD");
    EXPECT_EQ(week_of(aud, 2025, 3, 3), (std::map<double, int>{{0.25795, 7 * 1440}}));
    EXPECT_NEAR(PricesAt(aud, at(2025, 3, 3, 12, 0)).sell, 0.07, 1e-6);
    const Tariff eur = tariff_of("fw-8.2.4382-acb-tariff.json");
    EXPECT_EQ(eur.currency, "EUR");
    EXPECT_EQ(week_of(eur, 2025, 3, 3), (std::map<double, int>{{0.2, 7 * 1440}}));
}

// A tariff whose weekdays start at 07:00 and whose weekend has one period
// from 22:00: before a day's first period the previous day's last goes on.
TEST(Tariff, ThePreviousDaysLastPeriodGoesOnPastMidnight) {
    AbsurdNotes absurd;
    const std::optional<Tariff> tariff = ParseTariff(
        R"({"tariff":{"currency":{"code":"EUR"},"single_rate":{"rate":0.3,"sell":0.05},"seasons":[{"start":"1/1","days":[)"
        R"({"days":"Mon,Tue,Wed,Thu,Fri","periods":[{"start":420,"rate":0.4,"sell":0.1},{"start":1320,"rate":0.2}]},)"
        R"({"days":"Sat,Sun","periods":[{"start":1320,"rate":0.25}]}]}]}})",
        absurd);
    ASSERT_TRUE(tariff);
    const auto buy = [&](int day, int hour) { return PricesAt(*tariff, at(2026, 12, day, hour, 0)).buy; };
    EXPECT_EQ(buy(8, 3), 0.2) << "Tuesday night: Monday's 22:00";
    EXPECT_EQ(buy(8, 12), 0.4);
    EXPECT_EQ(PricesAt(*tariff, at(2026, 12, 8, 12, 0)).sell, 0.1) << "the period's own selling price";
    EXPECT_EQ(PricesAt(*tariff, at(2026, 12, 8, 23, 0)).sell, 0.05);
    EXPECT_EQ(buy(7, 3), 0.25) << "Monday night: Sunday's 22:00";
    EXPECT_EQ(buy(12, 12), 0.2) << "Saturday noon: Friday's 22:00";
    EXPECT_EQ(buy(13, 23), 0.25);
}

struct HostileRow {
    const char* name;
    std::string text;
    bool taken;    // a tariff at all
    bool seasons;  // with its seasons
};
class HostileTariffTest : public ::testing::TestWithParam<HostileRow> {};

TEST_P(HostileTariffTest, IsRefusedOrLosesItsSeasons) {
    AbsurdNotes absurd;
    const std::optional<Tariff> tariff = ParseTariff(GetParam().text, absurd);
    ASSERT_EQ(tariff.has_value(), GetParam().taken);
    if (!tariff) return;
    EXPECT_EQ(!tariff->seasons.empty(), GetParam().seasons);
    EXPECT_EQ(absurd.empty(), GetParam().seasons) << "seasons left out are told";
}

std::string with_seasons(const std::string& seasons) {
    return R"({"tariff":{"single_rate":{"rate":0.3},"seasons":[)" + seasons + "]}}";
}
std::string season(int start, const char* rate = "0.4") {
    return R"({"start":"1/1","days":[{"days":"Mon","periods":[{"start":)" + std::to_string(start) + R"(,"rate":)" +
           rate + "}]}]}";
}
std::string many_seasons() {
    std::string list = season(0);
    for (int i = 1; i < 10000; ++i) list += "," + season(0);
    return with_seasons(list);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HostileTariffTest,
    ::testing::Values(
        HostileRow{"no_currency_is_taken", with_seasons(season(0)), true, true},
        HostileRow{"ten_thousand_seasons", many_seasons(), true, false},
        HostileRow{"a_period_at_minute_5000", with_seasons(season(5000)), true, false},
        HostileRow{"a_period_rate_of_1e300", with_seasons(season(0, "1e300")), true, false},
        HostileRow{"a_single_rate_of_1e300", R"({"tariff":{"single_rate":{"rate":1e300}}})", false, false},
        HostileRow{"a_negative_selling_rate", R"({"tariff":{"single_rate":{"rate":0.3,"sell":-1}}})", false, false},
        HostileRow{"html", "<html>Not Found</html>", false, false}),
    [](const auto& info) { return std::string(info.param.name); });

struct TariffPage {
    MemorySettingsStore settings;
    std::optional<Tariff> gateway;
    std::optional<TariffSettings> applied;
    TariffServices services{settings, [this] { return gateway; }, [this](const TariffSettings& s) { applied = s; }};
};

// The typed prices' fields, those not given empty.
TariffForm typed(std::string currency, std::string buy, std::string sell = "", std::string weekdays = "",
                 std::string weekend = "", std::string fixed = "") {
    return {false,           std::move(currency), std::move(buy),
            std::move(sell), std::move(weekdays), std::move(weekend),
            std::move(fixed)};
}

struct RefusedRow {
    const char* name;
    TariffForm form;
    std::string said;
};
class RefusedTariffTest : public ::testing::TestWithParam<RefusedRow> {};

TEST_P(RefusedTariffTest, SaysWhyAndKeepsNothing) {
    TariffPage page;
    EXPECT_EQ(SaveTariffForm(page.services, GetParam().form), GetParam().said);
    EXPECT_FALSE(page.applied);
    EXPECT_EQ(page.settings.GetSetting(kSettingsApp, kTariffSection, "Buy", "none"), "none");
}

const std::string kPriceSaid = "The buying price must be a number from 0 to 100 a kWh.";
const std::string kPeriodsSaid =
    "Periods are up to 8 of HH:MM=price, separated by commas, each start once, each price from 0 to 100.";
INSTANTIATE_TEST_SUITE_P(
    Rows, RefusedTariffTest,
    ::testing::Values(RefusedRow{"a_word", typed("EUR", "cheap"), kPriceSaid},
                      RefusedRow{"negative", typed("EUR", "-0.1"), kPriceSaid},
                      RefusedRow{"above_100", typed("EUR", "100.5"), kPriceSaid},
                      RefusedRow{"a_selling_price_of_1e300", typed("EUR", "0.3", "1e300"),
                                 "The selling price must be a number from 0 to 100 a kWh."},
                      RefusedRow{"a_long_currency", typed("Australian dollars", "0.3"),
                                 "The currency must be a code or a symbol of at most 8 characters."},
                      RefusedRow{"an_hour_past_the_day", typed("EUR", "0.3", "", "24:00=0.2"), kPeriodsSaid},
                      RefusedRow{"a_start_twice", typed("EUR", "0.3", "", "07:00=0.2, 07:00=0.3"), kPeriodsSaid},
                      RefusedRow{"nine_periods",
                                 typed("EUR", "0.3", "", "",
                                       "01:00=1,02:00=1,03:00=1,04:00=1,05:00=1,06:00=1,07:00=1,08:00=1,09:00=1"),
                                 kPeriodsSaid},
                      RefusedRow{"a_trailing_comma", typed("EUR", "0.3", "", "07:00=0.2,"), kPeriodsSaid},
                      RefusedRow{"a_fixed_charge_of_words", typed("EUR", "0.3", "", "", "", "daily"),
                                 "The fixed charge must be a number from 0 to 100 a day."}),
    [](const auto& info) { return std::string(info.param.name); });

// Typed prices are kept, read back as typed, and priced by their periods;
// without a choice the gateway's tariff counts where it asks a price.
TEST(TariffForm, TypedPricesAndTheGatewaysByDefault) {
    TariffPage page;
    page.gateway = tariff_of("fw-8.2.4286-battery-tariff.json");
    EXPECT_TRUE(LoadTariffForm(page.services).use_gateway) << "the gateway's, with a price above 0";
    EXPECT_EQ(TariffInForce(LoadTariffSettings(page.settings, kSettingsApp), page.gateway), page.gateway);
    EXPECT_EQ(GatewayTariffText(page.gateway),
              "The gateway's tariff: USD, 0.36445 to buy and 0 to sell a kWh, with time-of-use periods in 2 seasons.");

    EXPECT_EQ(SaveTariffForm(page.services, typed("€", " 0.30 ", "0.08", "22:00=0.2, 07:00=0.4", "", "0.5")), "Saved.");
    ASSERT_TRUE(page.applied);
    const TariffForm back = LoadTariffForm(page.services);
    EXPECT_EQ(back.buy, "0.3");
    EXPECT_EQ(back.weekdays, "07:00=0.4, 22:00=0.2");
    EXPECT_FALSE(back.use_gateway);
    const std::optional<Tariff> in_force = TariffInForce(LoadTariffSettings(page.settings, kSettingsApp), page.gateway);
    ASSERT_TRUE(in_force);
    EXPECT_EQ(in_force->currency, "€");
    EXPECT_EQ(in_force->fixed_per_day, 0.5);
    EXPECT_EQ(PricesAt(*in_force, at(2026, 12, 8, 3, 0)).buy, 0.2) << "Tuesday night: Monday's 22:00";
    EXPECT_EQ(PricesAt(*in_force, at(2026, 12, 8, 12, 0)).buy, 0.4);
    EXPECT_EQ(PricesAt(*in_force, at(2026, 12, 12, 12, 0)).buy, 0.3) << "the weekend at the single rate";
    EXPECT_EQ(PricesAt(*in_force, at(2026, 12, 12, 12, 0)).sell, 0.08);

    page.gateway.reset();
    EXPECT_EQ(SaveTariffForm(page.services, TariffForm{true, "", "", "", "", "", ""}),
              "Saved. The gateway has told no tariff yet: no money is shown until it does.");
    EXPECT_FALSE(TariffInForce(LoadTariffSettings(page.settings, kSettingsApp), page.gateway));
    page.gateway = tariff_of("fw-8.2.4345-tariff.json");
    EXPECT_EQ(SaveTariffForm(page.services, TariffForm{false, "", "", "", "", "", ""}), "Saved.");
    EXPECT_FALSE(TariffInForce(LoadTariffSettings(page.settings, kSettingsApp), page.gateway))
        << "typed prices left empty count no money";
}

}  // namespace
}  // namespace pelmora
