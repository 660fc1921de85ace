#include "site/site_stage.h"

namespace pelmora {

namespace {

constexpr std::int64_t kRetryAfter = 60;  // seconds between asks that failed

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
            m_failed_at.reset();
        }
        static const std::vector<SiteMeter> kNone;
        std::optional<SiteReading> site = m_reader.Read(m_meters ? *m_meters : kNone, read.document);
        if (!m_eids.empty() && m_reader.seen_eids() != m_eids) m_due = true;
        m_eids = m_reader.seen_eids();
        const bool retry = m_failed_at && m_clock.EpochSeconds() - *m_failed_at >= kRetryAfter;
        if ((m_due && !m_failed_at) || retry) {
            ask(read.address);
            if (m_meters) site = m_reader.Read(*m_meters, read.document);
        }
        out.site = m_meters ? site : std::nullopt;
        m_latest = out.site;
    }
    for (FinishedReadSink* sink : m_next) sink->OnFinishedRead(out);
}

void SiteStage::ask(const std::string& address) {
    ++m_asks;
    const std::string body = m_request.launch(m_request.scheme() + address + "/ivp/meters");
    if (body.empty()) {
        m_failed_at = m_clock.EpochSeconds();
        return;
    }
    m_failed_at.reset();
    m_due = false;
    m_meters = ParseSiteMeters(body);
}

}  // namespace pelmora
