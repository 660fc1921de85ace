#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gateway/gateway_request.h"
#include "gateway/side_document.h"
#include "platform/wall_clock.h"
#include "readings/finished_read.h"
#include "site/site_meters.h"
#include "site/site_reading.h"

namespace pelmora {

// Adds the whole site to each finished read before passing it on. The
// gateway's meter list (GET /ivp/meters, over the read's own request and
// scheme, as a side document) is asked for after the first good read, again
// after the address or the access changes, and again when a document's set
// of eids differs from the last one's, at most once a minute. Any answer
// that is not a meter list (a failure, 401, 404, 500, HTML) is asked again
// at most once a minute; until one comes, reads pass on exactly as they
// came. With a background fetch set, the list is fetched off the reads'
// thread and taken up by the first read after it came, so that a slow list
// never holds a reading back; an answer for an address or access that has
// changed since is dropped.
class SiteStage : public FinishedReadSink {
public:
    SiteStage(GatewayRequest& request, const WallClock& clock, std::vector<FinishedReadSink*> next)
        : m_request(request), m_clock(clock), m_next(std::move(next)) {}

    // What counts as a change of access (the token's generation); none when unset.
    void set_access_generation(std::function<std::uint64_t()> generation) { m_generation = std::move(generation); }
    // Fetches the list through `fetch`, each time with a request `make` gives
    // (none: nothing is asked then).
    void set_background(SideDocument* fetch, std::function<std::unique_ptr<GatewayRequest>()> make) {
        m_fetch = fetch;
        m_make_request = std::move(make);
    }

    void OnFinishedRead(const FinishedRead& read) override;

    // The meter list in use; nothing while the gateway has none.
    const std::optional<std::vector<SiteMeter>>& meters() const { return m_meters; }
    // The site of the last good read, if any.
    const std::optional<SiteReading>& latest() const { return m_latest; }
    // How often the meter list was asked for.
    std::uint64_t asks() const { return m_asks; }

private:
    void ask(const std::string& address);
    void take_answer(const std::string& body);
    // The answer that came in the background, for the address and access it was asked for.
    void take_fetched();
    // The address and access the stage follows, as one text.
    std::string access_key() const;

    GatewayRequest& m_request;
    const WallClock& m_clock;
    std::vector<FinishedReadSink*> m_next;
    std::function<std::uint64_t()> m_generation;
    SiteReader m_reader;
    std::optional<std::vector<SiteMeter>> m_meters;
    std::optional<SiteReading> m_latest;
    std::string m_address;
    std::optional<std::uint64_t> m_access;
    std::vector<std::uint64_t> m_eids;
    bool m_due = true;
    std::optional<std::int64_t> m_asked_at;
    std::uint64_t m_asks = 0;
    SideDocument* m_fetch = nullptr;
    std::function<std::unique_ptr<GatewayRequest>()> m_make_request;
    std::string m_fetched_for;  // the address and access of the fetch under way
};

}  // namespace pelmora
