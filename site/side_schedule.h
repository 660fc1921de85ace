#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "site/document_kind.h"

namespace pelmora {

// How the last ask for a document ended.
enum class SideOutcome {
    Good,     // the document came and was one
    Missing,  // the gateway does not have it (404)
    Failed    // an error status, HTML, a time-out, nonsense
};

// What decides the paces: a site with a battery or a grid switch is read
// often, one without is asked now and then whether it has gained one.
struct SideSituation {
    bool battery_or_switch = false;
    bool older_batteries = false;  // the aggregate counts older AC batteries
};

// What the schedule knows of one document, for the user.
struct SideStatus {
    std::optional<std::int64_t> last_good;  // epoch seconds of the last good answer
    std::optional<SideOutcome> last;        // how the last ask ended
    int failures = 0;                       // failed asks in a row
    bool asked = false;                     // an ask is under way
};

// When each of the gateway's documents beside the readings is due: /info
// and the tariff at start, then every 6 hours; the battery and grid switch
// documents every 60 s while the site has either, otherwise every 6 hours;
// the inverters every 5 minutes; production.json every 5 minutes, only
// where the aggregate counts older batteries. A failed ask backs that
// document alone off, 1 minute doubling to an hour; one the gateway does not
// have is asked again after 6 hours. A clock that went back makes a document due.
class SideSchedule {
public:
    static constexpr std::int64_t kRarely = 6 * 3600;
    static constexpr std::int64_t kBatteries = 60;
    static constexpr std::int64_t kInverters = 5 * 60;
    static constexpr std::int64_t kFirstBackOff = 60;
    static constexpr std::int64_t kLongestBackOff = 3600;

    // The document to ask for at `now`: of those due, the one due longest
    // (the first in DocumentKind's order on a tie); nothing while one is
    // asked or none is due.
    std::optional<DocumentKind> Next(std::int64_t now, const SideSituation& situation) const;
    void Asked(DocumentKind kind);
    void Answered(DocumentKind kind, SideOutcome outcome, std::int64_t now);
    // Everything forgotten, as for another gateway.
    void Reset() { m_entries = {}; }

    const SideStatus& status(DocumentKind kind) const { return m_entries[index(kind)].status; }
    // When `kind` is next due; nothing when it is never asked in `situation`.
    std::optional<std::int64_t> DueAt(DocumentKind kind, const SideSituation& situation) const {
        return due_at(kind, situation);
    }

private:
    struct Entry {
        SideStatus status;
        std::optional<std::int64_t> answered_at;
    };
    static std::size_t index(DocumentKind kind) { return static_cast<std::size_t>(kind); }
    // When `kind` is next due; nothing when it is never asked in `situation`.
    std::optional<std::int64_t> due_at(DocumentKind kind, const SideSituation& situation) const;

    std::array<Entry, static_cast<std::size_t>(DocumentKind::Unknown)> m_entries{};
};

// The documents the schedule reads, with their paths.
struct SideDocumentPath {
    DocumentKind kind;
    const char* path;
};
inline constexpr SideDocumentPath kSideDocuments[] = {
    {DocumentKind::Info, "/info"},
    {DocumentKind::Inventory, "/ivp/ensemble/inventory"},
    {DocumentKind::Aggregate, "/ivp/ensemble/secctrl"},
    {DocumentKind::Power, "/ivp/ensemble/power"},
    {DocumentKind::Inverters, "/api/v1/production/inverters"},
    {DocumentKind::Production, "/production.json"},
    {DocumentKind::Tariff, "/admin/lib/tariff"},
};

}  // namespace pelmora
