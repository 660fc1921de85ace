// The documents beside the readings: when each is asked for, and what the
// stage makes of the answers, with a scripted gateway and a set clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "fakes/fixed_wall_clock.h"
#include "read_fakes.h"
#include "site/equipment_stage.h"
#include "site/side_schedule.h"
#include "test_support.h"

namespace pelmora {
namespace {

constexpr std::int64_t kStart = 1'722'967'000;

// Asks every document due at `now` in turn, each answered with `outcome`;
// gives the kinds in the order asked.
std::vector<DocumentKind> ask_all(SideSchedule& schedule, std::int64_t now, const SideSituation& situation,
                                  SideOutcome outcome = SideOutcome::Good) {
    std::vector<DocumentKind> asked;
    while (const std::optional<DocumentKind> next = schedule.Next(now, situation)) {
        schedule.Asked(*next);
        EXPECT_FALSE(schedule.Next(now, situation)) << "a second ask while one is under way";
        schedule.Answered(*next, outcome, now);
        asked.push_back(*next);
    }
    return asked;
}

TEST(SideSchedule, EachDocumentAtItsOwnPace) {
    using K = DocumentKind;
    SideSchedule schedule;
    const SideSituation plain;
    EXPECT_EQ(ask_all(schedule, kStart, plain),
              (std::vector<K>{K::Info, K::Inventory, K::Aggregate, K::Power, K::Inverters, K::Tariff}));
    EXPECT_TRUE(ask_all(schedule, kStart + 299, plain).empty());
    EXPECT_EQ(ask_all(schedule, kStart + 300, plain), std::vector<K>{K::Inverters});
    // A site that gains a battery or switch is read every minute; older
    // batteries add production.json, never asked before and so due longest.
    const SideSituation battery{true, true};
    EXPECT_EQ(ask_all(schedule, kStart + 360, battery),
              (std::vector<K>{K::Production, K::Inventory, K::Aggregate, K::Power}));
    // Without either, the battery documents wait six hours; the longest due goes first.
    EXPECT_EQ(ask_all(schedule, kStart + SideSchedule::kRarely + 360, plain),
              (std::vector<K>{K::Inverters, K::Info, K::Tariff, K::Inventory, K::Aggregate, K::Power}));
}

TEST(SideSchedule, FailuresBackOffOneDocumentAlone) {
    SideSchedule schedule;
    const SideSituation plain;
    ask_all(schedule, kStart, plain);
    std::int64_t now = kStart;
    std::vector<std::int64_t> waits;
    for (int failure = 0; failure < 8; ++failure) {
        schedule.Asked(DocumentKind::Inverters);
        schedule.Answered(DocumentKind::Inverters, SideOutcome::Failed, now);
        const std::int64_t failed_at = now;
        while (!schedule.Next(now, plain)) ++now;
        EXPECT_EQ(schedule.Next(now, plain), DocumentKind::Inverters);
        waits.push_back(now - failed_at);
    }
    EXPECT_EQ(waits, (std::vector<std::int64_t>{60, 120, 240, 480, 960, 1920, 3600, 3600}));
    schedule.Asked(DocumentKind::Info);
    schedule.Answered(DocumentKind::Info, SideOutcome::Missing, now);
    EXPECT_EQ(schedule.status(DocumentKind::Info).last, SideOutcome::Missing);
    EXPECT_NE(schedule.Next(now + SideSchedule::kRarely - 1, {}), DocumentKind::Info);
    const std::vector<DocumentKind> later = ask_all(schedule, now + SideSchedule::kRarely, {});
    EXPECT_NE(std::find(later.begin(), later.end(), DocumentKind::Info), later.end());
    // A clock set back makes what was read due again.
    EXPECT_FALSE(ask_all(schedule, kStart - 100, {}).empty());
}

struct StageRig {
    FixedWallClock clock{kStart};
    test::ScriptedRequest reads;
    test::ScriptedSide side;
    std::ostringstream log;
    EquipmentStage stage{reads, clock, log};
    int requests = 0;

    StageRig() {
        stage.set_background(&side, [this] {
            ++requests;
            return std::make_unique<test::ScriptedRequest>();
        });
        const std::string prefix = "site/fw-8.2.4286-battery-";
        side.answers["/info"] = {test::ReadFixture(prefix + "info.xml"), 200};
        side.answers["/ivp/ensemble/inventory"] = {test::ReadFixture(prefix + "ensemble-inventory.json"), 200};
        side.answers["/ivp/ensemble/secctrl"] = {test::ReadFixture(prefix + "ensemble-secctrl.json"), 200};
        side.answers["/ivp/ensemble/power"] = {test::ReadFixture(prefix + "ensemble-power.json"), 200};
        side.answers["/api/v1/production/inverters"] = {test::ReadFixture(prefix + "inverters.json"), 200};
        side.answers["/admin/lib/tariff"] = {test::ReadFixture(prefix + "tariff.json"), 200};
    }
    void read(const std::string& address = "10.0.0.5", bool good = true) {
        FinishedRead finished;
        finished.address = address;
        finished.request_failed = !good;
        finished.document = good ? "[]" : "";
        stage.OnFinishedRead(finished);
    }
};

TEST(EquipmentStage, ReadsTheSiteOneDocumentPerReadAndTellsAFirmwareChange) {
    StageRig rig;
    for (int i = 0; i < 8; ++i) rig.read();
    ASSERT_EQ(rig.side.asked.size(), 6U);
    EXPECT_EQ(rig.side.asked.front(), "http://10.0.0.5/info");
    const std::optional<BatteryState> battery = BatteryOf(rig.stage.equipment());
    ASSERT_TRUE(battery);
    EXPECT_EQ(battery->charge, 46);
    EXPECT_EQ(battery->reserve, 20.0);
    EXPECT_EQ(GridConnected(rig.stage.equipment()), true);
    EXPECT_EQ(rig.log.str(), "");
    // A failed read asks nothing new.
    rig.clock.set(kStart + SideSchedule::kRarely);
    rig.read("10.0.0.5", false);
    EXPECT_EQ(rig.side.asked.size(), 6U);
    rig.side.answers["/info"].body = std::string(rig.side.answers["/info"].body)
                                         .replace(rig.side.answers["/info"].body.find("D8.2.4286"), 9, "D8.3.5167");
    for (int i = 0; i < 8; ++i) rig.read();
    EXPECT_EQ(rig.stage.equipment().firmware_changes, 1U);
    EXPECT_EQ(rig.stage.equipment().previous_firmware, "D8.2.4286");
    EXPECT_EQ(rig.log.str(), "Pelmora: the gateway's firmware changed from D8.2.4286 to D8.3.5167\n");
    // Another gateway starts afresh, and its first /info is no change.
    rig.read("10.0.0.6");
    EXPECT_FALSE(BatteryOf(rig.stage.equipment()));
    EXPECT_EQ(rig.side.asked.back(), "http://10.0.0.6/info");
    for (int i = 0; i < 8; ++i) rig.read("10.0.0.6");
    EXPECT_EQ(rig.stage.equipment().firmware_changes, 0U);
}

TEST(EquipmentStage, MissingFailedAndAbsurdAnswers) {
    StageRig rig;
    rig.side.answers["/info"] = {"<html>Not Found</html>", 404};
    rig.side.answers["/ivp/ensemble/secctrl"] = {R"({"agg_soc":146,"Max_energy":25000})", 200};
    rig.side.answers["/ivp/ensemble/power"] = {"", 0};
    for (int i = 0; i < 8; ++i) rig.read();
    const SideSchedule& schedule = rig.stage.schedule();
    EXPECT_EQ(schedule.status(DocumentKind::Info).last, SideOutcome::Missing);
    EXPECT_EQ(schedule.status(DocumentKind::Power).last, SideOutcome::Failed);
    EXPECT_EQ(schedule.status(DocumentKind::Aggregate).last, SideOutcome::Good);
    EXPECT_FALSE(rig.stage.equipment().gateway);
    EXPECT_EQ(BatteryOf(rig.stage.equipment())->charge, std::nullopt);
    EXPECT_EQ(rig.log.str(), "Pelmora: /ivp/ensemble/secctrl: the batteries: a charge of 146.0 is left out\n");
    // Said once a run, however often it comes.
    rig.clock.set(kStart + 120);
    rig.log.str("");
    for (int i = 0; i < 4; ++i) rig.read();
    EXPECT_EQ(rig.log.str(), "");
}

}  // namespace
}  // namespace pelmora
