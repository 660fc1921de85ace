#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "desktop/desktop_settings.h"
#include "platform/notifier.h"
#include "platform/wall_clock.h"
#include "readings/finished_read.h"
#include "site/site_equipment.h"

namespace pelmora {

// Watches the finished reads for what the user asked to be told about, and
// tells the notifier once when a condition starts and once when it ends,
// never once per read. The conditions are followed whether or not their
// alert is on; an alert switched on tells only of what starts or ends after.
class AlertWatch : public FinishedReadSink {
public:
    static constexpr std::int64_t kUnreachableAfter = 300;     // seconds without an answer
    static constexpr std::int64_t kHeldFor = 60;               // seconds a stale, dead or no-export state lasts
    static constexpr std::int64_t kPanelSilentFor = 2 * 3600;  // seconds behind the newest report
    // A low battery ends only once its charge is this many points above the chosen one.
    static constexpr int kBatteryLowMargin = 5;

    AlertWatch(const WallClock& clock, Notifier& notifier) : m_clock(clock), m_notifier(notifier) {}

    void Configure(const DesktopSettings& settings) { m_settings = settings; }
    // The token's expiry (UTC seconds), looked at after each read; none without a token.
    void set_token_expiry(std::function<std::optional<std::int64_t>()> expiry) { m_expiry = std::move(expiry); }

    void OnFinishedRead(const FinishedRead& read) override;

private:
    // A condition that counts once it has held for a time.
    struct Held {
        std::optional<std::int64_t> since;
        bool active = false;
    };

    void tell(Alert alert, const std::string& summary, const std::string& body);
    // Follows `held` with the condition now; true when it just started (after
    // `after` seconds) or just ended, with `active` telling which.
    bool follow(Held& held, bool condition, std::int64_t now, std::int64_t after);
    // Follows a condition that one kind of failed read starts; true when it
    // just started or ended, with `active` telling which.
    static bool follow_failure(bool& active, bool failure, bool failed);
    void expiry(std::int64_t now);
    // What the documents beside the readings tell: the grid switch, the
    // battery's charge, silent panels and a new firmware.
    void equipment(const SiteEquipment& equipment, std::int64_t now);
    void panels(const std::vector<Inverter>& inverters);

    const WallClock& m_clock;
    Notifier& m_notifier;
    DesktopSettings m_settings;
    std::function<std::optional<std::int64_t>()> m_expiry;
    Held m_unreachable;
    Held m_stale;
    std::optional<std::int64_t> m_last_epoch;  // the highest timestamp seen
    std::array<Held, 3> m_dead{};
    std::array<bool, 3> m_had_voltage{};
    Held m_no_export;
    bool m_refused = false;
    bool m_certificate = false;
    int m_expiry_days = 0;  // 30, 7 or 1 once told; 0 otherwise
    Held m_cut_off;
    bool m_battery_low = false;
    std::set<std::string> m_silent_panels;  // told as silent, not yet back
    std::uint32_t m_firmware_changes = 0;
};

}  // namespace pelmora
