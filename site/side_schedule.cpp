#include "site/side_schedule.h"

#include <algorithm>

namespace pelmora {

namespace {

bool is_battery_document(DocumentKind kind) {
    return kind == DocumentKind::Inventory || kind == DocumentKind::Aggregate || kind == DocumentKind::Power;
}

}  // namespace

std::optional<std::int64_t> SideSchedule::due_at(DocumentKind kind, const SideSituation& situation) const {
    if (kind == DocumentKind::Production && !situation.older_batteries) return std::nullopt;
    const Entry& entry = m_entries[index(kind)];
    if (!entry.answered_at || !entry.status.last) return std::int64_t{0};
    std::int64_t wait = kRarely;
    if (*entry.status.last == SideOutcome::Failed) {
        const int doublings = std::min(entry.status.failures - 1, 6);
        wait = std::min(kFirstBackOff << doublings, kLongestBackOff);
    } else if (*entry.status.last == SideOutcome::Good) {
        if (is_battery_document(kind) && situation.battery_or_switch) wait = kBatteries;
        if (kind == DocumentKind::Inverters || kind == DocumentKind::Production) wait = kInverters;
    }
    return *entry.answered_at + wait;
}

std::optional<DocumentKind> SideSchedule::Next(std::int64_t now, const SideSituation& situation) const {
    const bool busy = std::any_of(m_entries.begin(), m_entries.end(), [](const Entry& e) { return e.status.asked; });
    if (busy) return std::nullopt;
    std::optional<DocumentKind> next;
    std::int64_t earliest = 0;
    for (const SideDocumentPath& document : kSideDocuments) {
        std::optional<std::int64_t> due = due_at(document.kind, situation);
        const std::optional<std::int64_t>& answered = m_entries[index(document.kind)].answered_at;
        if (due && answered && now < *answered) due = now;  // the clock went back
        if (!due || *due > now || (next && *due >= earliest)) continue;
        next = document.kind;
        earliest = *due;
    }
    return next;
}

void SideSchedule::Asked(DocumentKind kind) { m_entries[index(kind)].status.asked = true; }

void SideSchedule::Answered(DocumentKind kind, SideOutcome outcome, std::int64_t now) {
    Entry& entry = m_entries[index(kind)];
    entry.status.asked = false;
    entry.status.last = outcome;
    entry.answered_at = now;
    entry.status.failures = outcome == SideOutcome::Failed ? entry.status.failures + 1 : 0;
    if (outcome == SideOutcome::Good) entry.status.last_good = now;
}

}  // namespace pelmora
