#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora {

// What a meter measures, as the gateway's meter list names it.
enum class MeterType {
    Production,        // the solar inverters' output
    NetConsumption,    // the grid connection: positive while importing
    TotalConsumption,  // everything the house and battery take, whatever its source
    Storage,           // the battery: positive while discharging
    Backfeed,
    Load,
    Evse,  // a car charger
    Pv3p,  // a second, three-phase solar array
    Other  // a type this program does not know; kept by its text
};

// "production", "net-consumption", ... as the gateway writes them; Other for
// any other text.
MeterType MeterTypeFromText(std::string_view text);

// One entry of the gateway's meter list (GET /ivp/meters).
struct SiteMeter {
    std::uint64_t eid = 0;
    bool enabled = false;
    MeterType type = MeterType::Other;
    std::string type_text;  // measurementType as sent, made printable
    std::string phase_mode;
    int phase_count = 0;  // 1 to 3; the channels beyond it are not phases of the site
    std::string metering_status;
    std::vector<std::string> status_flags;
};

// A meter list larger than this is not one: a site has at most a few meters.
inline constexpr std::size_t kLargestMeterList = 64 * 1024;

// The meter list of an /ivp/meters answer; nothing for anything else (an
// HTML page, an object, nonsense, more than kLargestMeterList bytes, an
// empty list, or two entries with one eid), which is a gateway without a
// site. An entry without an eid or measurementType, or whose phaseCount is
// not 1 to 3, is left out.
std::optional<std::vector<SiteMeter>> ParseSiteMeters(std::string_view text);

}  // namespace pelmora
