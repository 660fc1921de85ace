#include "site/equipment_stage.h"

namespace pelmora {

namespace {

constexpr long kNotFound = 404;

const char* path_of(DocumentKind kind) {
    for (const SideDocumentPath& document : kSideDocuments) {
        if (document.kind == kind) return document.path;
    }
    return "";
}

}  // namespace

void EquipmentStage::OnFinishedRead(const FinishedRead& read) {
    const std::int64_t now = m_clock.EpochSeconds();
    const std::optional<std::uint64_t> access = m_generation ? std::optional(m_generation()) : std::nullopt;
    if (read.address != m_address || access != m_access) {
        m_address = read.address;
        m_access = access;
        m_equipment = SiteEquipment{};
        m_schedule.Reset();
        ++m_changes;
    }
    take_fetched(now);
    if (!read.request_failed && !read.document.empty()) ask(read.address, now);
    if (m_next.empty()) return;
    if (m_snapshot_changes != m_changes) {
        m_snapshot = std::make_shared<const SiteEquipment>(m_equipment);
        m_snapshot_changes = m_changes;
    }
    FinishedRead out = read;
    out.equipment = m_snapshot;
    for (FinishedReadSink* sink : m_next) sink->OnFinishedRead(out);
}

std::string EquipmentStage::access_key() const { return m_address + '\n' + std::to_string(m_access.value_or(0)); }

SideSituation EquipmentStage::situation() const {
    SideSituation situation;
    situation.battery_or_switch = BatteryOf(m_equipment).has_value() || GridConnected(m_equipment).has_value();
    situation.older_batteries = m_equipment.aggregate && m_equipment.aggregate->has_older;
    return situation;
}

void EquipmentStage::ask(const std::string& address, std::int64_t now) {
    if (m_fetch == nullptr) return;
    const std::optional<DocumentKind> next = m_schedule.Next(now, situation());
    if (!next) return;
    std::unique_ptr<GatewayRequest> request = m_make_request ? m_make_request() : nullptr;
    if (request == nullptr) return;
    const std::string url = m_reads.scheme() + address + path_of(*next);
    if (!m_fetch->Start(std::move(request), url)) return;
    m_schedule.Asked(*next);
    m_fetching = *next;
    m_fetched_for = access_key();
}

void EquipmentStage::take_fetched(std::int64_t now) {
    if (m_fetch == nullptr) return;
    const std::optional<SideAnswer> answer = m_fetch->Take();
    if (!answer || m_fetched_for != access_key()) return;
    take_answer(m_fetching, *answer, now);
}

void EquipmentStage::take_answer(DocumentKind kind, const SideAnswer& answer, std::int64_t now) {
    if (answer.status == kNotFound) {
        m_schedule.Answered(kind, SideOutcome::Missing, now);
        ++m_changes;
        return;
    }
    const std::optional<std::string> firmware =
        m_equipment.gateway ? std::optional(m_equipment.gateway->firmware) : std::nullopt;
    AbsurdNotes absurd;
    const bool good = !answer.body.empty() && TakeDocument(m_equipment, kind, answer.body, now, absurd);
    m_schedule.Answered(kind, good ? SideOutcome::Good : SideOutcome::Failed, now);
    ++m_changes;
    // Absurd figures are told once a run for each document, however often they come.
    if (!absurd.empty() && m_told_absurd.insert(kind).second) {
        for (const std::string& line : absurd) m_log << "Pelmora: " << path_of(kind) << ": " << line << "\n";
    }
    m_log.flush();
    if (!good) return;
    if (kind == DocumentKind::Info && firmware && *firmware != m_equipment.gateway->firmware) {
        ++m_equipment.firmware_changes;
        m_equipment.previous_firmware = *firmware;
        m_log << "Pelmora: the gateway's firmware changed from " << *firmware << " to " << m_equipment.gateway->firmware
              << "\n";
    }
}

}  // namespace pelmora
