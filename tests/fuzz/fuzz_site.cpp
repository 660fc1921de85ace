// The site read from hostile answers: the input is tried as a meter list, as
// a readings document against a real meter list, and by position. Nothing
// fails, a list has no two meters with one eid and only phase counts of 1 to
// 3, the derived figures hold together, and the counters that come out of
// the read-to-read check are finite. The same input is then taken as each of
// the documents beside the readings: what is kept stays within its bounds,
// and a tariff's prices at any minute stay within theirs.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>

#include "site/counter_guard.h"
#include "site/equipment_text.h"
#include "site/side_document_limits.h"
#include "site/meter_counters.h"
#include "site/site_meters.h"
#include "site/site_reading.h"
#include "site/tariff.h"

namespace {

const char kMeters[] = R"([{"eid":1,"state":"enabled","measurementType":"production","phaseCount":2},)"
                       R"({"eid":2,"state":"enabled","measurementType":"net-consumption","phaseCount":2},)"
                       R"({"eid":3,"state":"enabled","measurementType":"storage","phaseCount":2}])";

void check_equipment(const std::string& text) {
    using pelmora::DocumentKind;
    pelmora::SiteEquipment equipment;
    pelmora::AbsurdNotes absurd;
    for (DocumentKind kind :
         {DocumentKind::Info, DocumentKind::Inventory, DocumentKind::Aggregate, DocumentKind::Power,
          DocumentKind::Inverters, DocumentKind::Production, DocumentKind::Tariff, pelmora::KindOfDocument(text)})
        pelmora::TakeDocument(equipment, kind, text, 1'800'000'000, absurd);
    if (const auto battery = pelmora::BatteryOf(equipment)) {
        if (battery->charge && (*battery->charge < 0 || *battery->charge > 100)) std::abort();
        if (!(battery->capacity_wh >= 0 && battery->capacity_wh <= pelmora::kLargestBatteryWh)) std::abort();
        if (battery->reserve && !(*battery->reserve >= 0 && *battery->reserve <= 100)) std::abort();
        (void)pelmora::BatteryTooltip(*battery);
    }
    if (equipment.inverters) {
        if (equipment.inverters->size() > pelmora::kMostInverters) std::abort();
        for (const pelmora::Inverter& inverter : *equipment.inverters) {
            if (!(std::fabs(inverter.watts) <= pelmora::kLargestInverterW)) std::abort();
        }
    }
    (void)pelmora::EquipmentText(equipment);
    // A tariff keeps its bounds, and its price at any minute lies within them.
    if (const auto tariff = pelmora::ParseTariff(text, absurd)) {
        if (tariff->seasons.size() > pelmora::kMostSeasons) std::abort();
        for (std::int64_t day = 0; day < 371; day += 5) {
            for (const std::int64_t minute : {0, 1, 719, 1439}) {
                const pelmora::Prices prices =
                    pelmora::PricesAt(*tariff, pelmora::LocalMinuteOf(1'767'225'600 + day * 86400 + minute * 60, 0));
                if (!(prices.buy >= 0 && prices.buy <= pelmora::kLargestPrice && prices.sell >= 0 &&
                      prices.sell <= pelmora::kLargestPrice))
                    std::abort();
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (const auto meters = pelmora::ParseSiteMeters(text)) {
        std::set<std::uint64_t> eids;
        for (const pelmora::SiteMeter& m : *meters) {
            if (!eids.insert(m.eid).second || m.phase_count < 1 || m.phase_count > 3) std::abort();
        }
    }
    static pelmora::SiteReader reader;
    static const auto meters = pelmora::ParseSiteMeters(kMeters);
    if (const auto site = reader.Read(*meters, text)) {
        for (const pelmora::MeterReading& r : site->meters) {
            if (static_cast<int>(r.phase_power_w.size()) > r.meter.phase_count) std::abort();
        }
        if (site->load_w && (!site->consumption_w || !site->battery_w)) std::abort();
        if (site->load_w && std::isfinite(*site->load_w) && *site->load_w != *site->consumption_w + *site->battery_w)
            std::abort();
    }
    static std::ostringstream log;
    static pelmora::CounterGuard guard(log);
    static std::int64_t epoch = 0;
    if (const auto site = reader.ReadByPosition(text, size % 2 == 1)) {
        const pelmora::CounterReading reading = pelmora::CountersOf(*site);
        for (std::size_t c = 0; c < pelmora::kCounters; ++c) {
            if (reading.wh[c] && !std::isfinite(*reading.wh[c])) std::abort();
            if (!(reading.power_w[c] >= 0.0)) std::abort();
        }
        for (const auto& value : guard.Check(epoch += 1 + static_cast<std::int64_t>(size % 400), reading)) {
            if (value && !std::isfinite(*value)) std::abort();
        }
        log.str({});
    }
    check_equipment(text);
    return 0;
}
