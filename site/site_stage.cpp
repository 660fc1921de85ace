#include "site/site_stage.h"

#include <algorithm>

namespace pelmora {

namespace {

constexpr std::int64_t kAskEvery = 60;  // seconds at least between two asks

std::vector<std::uint64_t> sorted(std::vector<std::uint64_t> eids) {
    std::sort(eids.begin(), eids.end());
    return eids;
}

}  // namespace

void SiteStage::OnFinishedRead(const FinishedRead& read) {
    FinishedRead out = read;
    if (!read.request_failed && !read.document.empty()) {
        const std::optional<std::uint64_t> access = m_generation ? std::optional(m_generation()) : std::nullopt;
        if (read.address != m_address || access != m_access) {
            m_address = read.address;
            m_access = access;
            m_meters.reset();
            m_eids.clear();
            m_due = true;
            m_asked_at.reset();
        }
        take_fetched();
        static const std::vector<SiteMeter> kNone;
        std::optional<SiteReading> site = m_reader.Read(m_meters ? *m_meters : kNone, read.document);
        std::vector<std::uint64_t> eids = sorted(m_reader.seen_eids());
        if (!m_eids.empty() && eids != m_eids) m_due = true;
        m_eids = std::move(eids);
        if (m_due && (!m_asked_at || m_clock.EpochSeconds() - *m_asked_at >= kAskEvery)) {
            ask(read.address);
            if (m_meters) site = m_reader.Read(*m_meters, read.document);
        }
        out.site = m_meters ? site : std::nullopt;
        m_latest = out.site;
    }
    for (FinishedReadSink* sink : m_next) sink->OnFinishedRead(out);
}

std::string SiteStage::access_key() const { return m_address + '\n' + std::to_string(m_access.value_or(0)); }

void SiteStage::ask(const std::string& address) {
    const std::string url = m_request.scheme() + address + "/ivp/meters";
    if (m_fetch != nullptr) {
        std::unique_ptr<GatewayRequest> request = m_make_request ? m_make_request() : nullptr;
        if (request == nullptr || !m_fetch->Start(std::move(request), url)) return;
        m_fetched_for = access_key();
    }
    ++m_asks;
    m_asked_at = m_clock.EpochSeconds();
    if (m_fetch == nullptr) take_answer(m_request.launch_side(url));
}

void SiteStage::take_fetched() {
    if (m_fetch == nullptr) return;
    const std::optional<SideAnswer> answer = m_fetch->Take();
    if (answer && m_fetched_for == access_key()) take_answer(answer->body);
}

void SiteStage::take_answer(const std::string& body) {
    std::optional<std::vector<SiteMeter>> meters = body.empty() ? std::nullopt : ParseSiteMeters(body);
    if (!meters) return;
    // A list that names none of the meters the readings show (a gateway still
    // starting) is asked again a minute later.
    m_due = !m_eids.empty() && std::none_of(meters->begin(), meters->end(), [this](const SiteMeter& m) {
        return std::binary_search(m_eids.begin(), m_eids.end(), m.eid);
    });
    m_meters = std::move(meters);
}

}  // namespace pelmora
