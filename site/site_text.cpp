#include "site/site_text.h"

#include <charconv>

namespace pelmora {

namespace {

std::string watts(double value) {
    char buffer[64];
    if (value == 0.0) value = 0.0;  // no "-0.0"
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 1);
    if (result.ec != std::errc()) return "? W";
    std::string text(buffer, result.ptr);
    if (text.front() == '-' && text.find_first_not_of("0.", 1) == std::string::npos) text.erase(0, 1);  // no "-0.0"
    return text + " W";
}

std::string status(const SiteMeter& meter) {
    std::string text;
    if (!meter.metering_status.empty() && meter.metering_status != "normal") text += " status=" + meter.metering_status;
    for (std::size_t i = 0; i < meter.status_flags.size(); ++i)
        text += (i == 0 ? " flags=" : ",") + meter.status_flags[i];
    return text;
}

std::string padded(std::string text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

}  // namespace

bool ModeMisfits(const SiteReading& site, bool consumption_mode) {
    if (site.meters.size() < 2) return false;
    const MeterType second = site.meters[1].meter.type;
    return consumption_mode ? second == MeterType::NetConsumption : second == MeterType::TotalConsumption;
}

std::string SiteNotes(const SiteReading& site, bool consumption_mode) {
    std::string notes;
    if (site.meters.size() >= 2) {
        const MeterType second = site.meters[1].meter.type;
        if (!consumption_mode && second == MeterType::TotalConsumption) {
            notes +=
                "The gateway's second meter measures total consumption, but Pelmora reads it as net consumption: "
                "start it as PelmoraB for this site.\n";
        } else if (consumption_mode && second == MeterType::NetConsumption) {
            notes +=
                "The gateway's second meter measures net consumption, but PelmoraB reads it as total consumption: "
                "start it as Pelmora for this site.\n";
        }
    }
    for (const MeterReading& r : site.meters) {
        if (const std::string flags = status(r.meter); !flags.empty())
            notes +=
                "The " + r.meter.type_text + " meter (eid " + std::to_string(r.meter.eid) + ") reports" + flags + "\n";
    }
    if (!notes.empty()) notes.pop_back();
    return notes;
}

std::string MeterListText(const std::vector<SiteMeter>& meters) {
    std::string out;
    for (const SiteMeter& m : meters) {
        out += padded(m.type_text, 18) + "eid " + std::to_string(m.eid) + (m.enabled ? "  enabled" : "  disabled") +
               "  " + m.phase_mode + ", " + std::to_string(m.phase_count) +
               (m.phase_count == 1 ? " phase" : " phases") + status(m) + "\n";
    }
    return out;
}

std::string SiteText(const SiteReading& site) {
    std::string out;
    for (const MeterReading& r : site.meters) {
        out += padded(r.meter.type_text, 18) + "eid " + std::to_string(r.meter.eid) + "  " + watts(r.power_w) +
               "  phases:";
        for (const double phase : r.phase_power_w) out += " " + watts(phase);
        out += status(r.meter) + "\n";
    }
    if (site.production_w) out += "Production: " + watts(*site.production_w) + "\n";
    if (site.consumption_w) {
        out += std::string("Consumption (") +
               (site.find(MeterType::TotalConsumption) != nullptr ? "the total meter" : "production + net") +
               "): " + watts(*site.consumption_w) + "\n";
    }
    if (site.battery_w) {
        out += "Battery: " + watts(*site.battery_w) +
               (*site.battery_w < 0   ? " (charging)"
                : *site.battery_w > 0 ? " (discharging)"
                                      : " (idle)") +
               "\n";
    }
    if (site.load_w) {
        out += "House load without the battery: " + watts(*site.load_w) +
               (site.meters_disagree ? " (below zero: the meters disagree with the usual placement)" : "") + "\n";
    }
    return out;
}

}  // namespace pelmora
