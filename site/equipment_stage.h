#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "gateway/gateway_request.h"
#include "gateway/side_document.h"
#include "platform/wall_clock.h"
#include "readings/finished_read.h"
#include "site/side_schedule.h"
#include "site/site_equipment.h"

namespace pelmora {

// The gateway's documents beside the readings (/info, the batteries, the
// grid switch, the inverters, production.json, the tariff), each at its own
// pace (SideSchedule), fetched off the reads' thread one at a time, each over
// a request of its own with the reads' scheme, token and session: a refused
// or failed document never delays a reading or touches the access in force.
// A new ask starts only after a good read; a finished fetch is taken up at
// any read. Another address or access forgets everything, and an answer
// still under way for the old one is dropped.
class EquipmentStage : public FinishedReadSink {
public:
    // Figures left out as absurd (once a run for each document) and a
    // firmware change (counted in the equipment) are told to `log`, a line each.
    // Each read then goes on to `next` with the equipment as it stands.
    EquipmentStage(GatewayRequest& reads, const WallClock& clock, std::ostream& log,
                   std::vector<FinishedReadSink*> next = {})
        : m_reads(reads), m_clock(clock), m_log(log), m_next(std::move(next)) {}

    void set_access_generation(std::function<std::uint64_t()> generation) { m_generation = std::move(generation); }
    // Fetches through `fetch`, each time with a request `make` gives (none:
    // nothing is asked then). Without it nothing is ever asked.
    void set_background(SideDocument* fetch, std::function<std::unique_ptr<GatewayRequest>()> make) {
        m_fetch = fetch;
        m_make_request = std::move(make);
    }

    void OnFinishedRead(const FinishedRead& read) override;

    const SiteEquipment& equipment() const { return m_equipment; }
    const SideSchedule& schedule() const { return m_schedule; }
    // Grows each time an answer came or the gateway changed.
    std::uint64_t changes() const { return m_changes; }

    // What decides the documents' paces now.
    SideSituation situation() const;

private:
    void take_fetched(std::int64_t now);
    void take_answer(DocumentKind kind, const SideAnswer& answer, std::int64_t now);
    void ask(const std::string& address, std::int64_t now);
    std::string access_key() const;

    GatewayRequest& m_reads;
    const WallClock& m_clock;
    std::ostream& m_log;
    std::vector<FinishedReadSink*> m_next;
    std::shared_ptr<const SiteEquipment> m_snapshot;  // the equipment of m_snapshot_changes
    std::uint64_t m_snapshot_changes = ~std::uint64_t{0};
    std::function<std::uint64_t()> m_generation;
    SideDocument* m_fetch = nullptr;
    std::function<std::unique_ptr<GatewayRequest>()> m_make_request;
    SiteEquipment m_equipment;
    SideSchedule m_schedule;
    std::string m_address;
    std::optional<std::uint64_t> m_access;
    std::string m_fetched_for;  // the address and access of the fetch under way
    DocumentKind m_fetching = DocumentKind::Unknown;
    std::uint64_t m_changes = 0;
    std::set<DocumentKind> m_told_absurd;
};

}  // namespace pelmora
