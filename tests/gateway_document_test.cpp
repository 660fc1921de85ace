#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "readings/number_text.h"
#include "readings/readings_parser.h"
#include "site/site_meters.h"
#include "site/site_reading.h"
#include "tools/gateway_document.h"

namespace pelmora {
namespace {

TEST(SimulatedInstallation, SunDrivesProductionAndNetIsConsumptionMinusProduction) {
    SimulatedInstallation installation(11);
    const auto noon = installation.Sample(1'700'000'000, 12.5);
    const auto night = installation.Sample(1'700'000'000, 2.0);
    EXPECT_GT(noon[0].whole.activePower, 1000.0);
    EXPECT_LT(night[0].whole.activePower, 0.0);
    EXPECT_GT(night[0].whole.activePower, -6.0);
    // At night the house imports what it uses.
    EXPECT_GT(night[1].whole.activePower, 200.0);
}

TEST(SimulatedInstallation, WholeMeterIsTheSumOfItsPhases) {
    SimulatedInstallation installation(5);
    for (double hour : {3.0, 9.0, 12.0, 17.5}) {
        for (const SimulatedMeter& meter : installation.Sample(1'700'000'000, hour)) {
            double voltage = 0, current = 0, power = 0;
            for (const MeterValues& phase : meter.phases) {
                voltage += phase.voltage;
                current += phase.current;
                power += phase.activePower;
                EXPECT_NEAR(phase.voltage, 230.0, 15.0);
                EXPECT_LE(std::fabs(phase.pwrFactor), 1.0);
            }
            EXPECT_NEAR(meter.whole.voltage, voltage, 0.0015);
            EXPECT_NEAR(meter.whole.current, current, 0.0015);
            EXPECT_NEAR(meter.whole.activePower, power, 0.0015);
            EXPECT_LE(std::fabs(meter.whole.pwrFactor), 1.0);
        }
    }
}

TEST(SimulatedInstallation, SameSeedSameDocument) {
    SimulatedInstallation a(99), b(99);
    EXPECT_EQ(RenderReadings(a.Sample(1'700'000'000, 10.0), DocumentLayout::Indented),
              RenderReadings(b.Sample(1'700'000'000, 10.0), DocumentLayout::Indented));
}

TEST(RenderReadings, IndentedLayoutLikeTheGateway) {
    SimulatedInstallation installation(3);
    const std::string document = RenderReadings(installation.Sample(1'712'345'678, 12.0), DocumentLayout::Indented);
    EXPECT_GT(document.size(), 4500u);
    EXPECT_LT(document.size(), 5500u);
    const MeterReadings readings = ScanReadings(document);
    ASSERT_FALSE(readings.empty());
    ASSERT_TRUE(readings[0].Has(Kind::Timestamp));
    EXPECT_EQ(readings[0].EpochText, " 1712345678");
    EXPECT_EQ(readings[0].Text.substr(22, 10), "1712345678");  // where the gateway's indentation puts the digits
    int powers = 0;
    for (const ReadingItem& item : readings) {
        if (item.Has(Kind::ActivePower)) {
            ++powers;
            // Three decimals, as the gateway writes them.
            const std::string& value = *item.ValueText;
            EXPECT_EQ(value.size() - value.find('.'), 4u) << value;
            EXPECT_NO_THROW(RoundHalfEven(value, 1));
        }
    }
    EXPECT_EQ(powers, 8);
}

TEST(RenderReadings, CompactLayoutHasNoBlanks) {
    SimulatedInstallation installation(3);
    const std::string document = RenderReadings(installation.Sample(1'712'345'678, 12.0), DocumentLayout::Compact);
    EXPECT_EQ(document.find(' '), std::string::npos);
    EXPECT_EQ(document.find('\n'), std::string::npos);
}

struct SimulatedSiteRow {
    const char* name;
    SimulatedSite site;
    std::size_t listed, read;  // meters in the list, and enabled ones the document shows
    bool battery;
};
class SimulatedSiteTest : public ::testing::TestWithParam<SimulatedSiteRow> {};

// Each simulated site reads back by meter as a real one does, and its
// powers hold together: house load = production + net + storage.
TEST_P(SimulatedSiteTest, ReadsBackByMeterAndHoldsTogether) {
    SimulatedInstallation installation(7, GetParam().site);
    const auto meters = ParseSiteMeters(installation.MeterList());
    ASSERT_TRUE(meters);
    EXPECT_EQ(meters->size(), GetParam().listed);
    SiteReader reader;
    for (double hour : {2.0, 9.0, 12.5, 19.0}) {
        const auto site =
            reader.Read(*meters, RenderReadings(installation.Sample(1'700'000'000, hour), DocumentLayout::Indented));
        ASSERT_TRUE(site) << hour;
        EXPECT_EQ(site->meters.size(), GetParam().read) << hour;
        EXPECT_EQ(site->battery_w.has_value(), GetParam().battery);
        if (site->load_w) {
            EXPECT_GT(*site->load_w, 200.0) << hour;  // the simulated base load, whatever the battery does
            EXPECT_FALSE(site->meters_disagree);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, SimulatedSiteTest,
                         ::testing::Values(SimulatedSiteRow{"battery", SimulatedSite::Battery, 3, 3, true},
                                           SimulatedSiteRow{"collar", SimulatedSite::Collar, 7, 4, true},
                                           SimulatedSiteRow{"total", SimulatedSite::Total, 2, 2, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// The counters count the mean of two samples' powers over the seconds
// between them; a jump moves every delivered counter, a reset every counter.
TEST(SimulatedInstallation, CountersAdvanceWithThePowerJumpAndReset) {
    SimulatedInstallation battery(5, SimulatedSite::Battery);
    const auto a = battery.Sample(1000, 12.0);
    const auto b = battery.Sample(1010, 12.0);
    for (std::size_t m = 0; m < 3; ++m) {
        const double pa = a[m].whole.activePower, pb = b[m].whole.activePower;
        const double delivered = (std::max(pa, 0.0) + std::max(pb, 0.0)) / 2.0 * 10.0 / 3600.0;
        const double received = (std::max(-pa, 0.0) + std::max(-pb, 0.0)) / 2.0 * 10.0 / 3600.0;
        EXPECT_NEAR(b[m].whole.actEnergyDlvd - a[m].whole.actEnergyDlvd, delivered, 0.002) << m;
        if (m > 0) {
            EXPECT_NEAR(b[m].whole.actEnergyRcvd - a[m].whole.actEnergyRcvd, received, 0.002) << m;
        }
    }
    battery.JumpCounters(5e6);
    const auto c = battery.Sample(1011, 12.0);
    EXPECT_GT(c[0].whole.actEnergyDlvd - b[0].whole.actEnergyDlvd, 5e6);
    EXPECT_LT(c[1].whole.actEnergyRcvd - b[1].whole.actEnergyRcvd, 1.0) << "received counters do not jump";
    battery.ResetCounters();
    for (const SimulatedMeter& m : battery.Sample(1012, 12.0)) EXPECT_LT(m.whole.actEnergyDlvd, 5.0);
}

TEST(SimulatedInstallation, ThePlainSiteHasNoMeterList) { EXPECT_EQ(SimulatedInstallation(1).MeterList(), ""); }

}  // namespace
}  // namespace pelmora
