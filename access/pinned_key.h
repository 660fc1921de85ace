#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "gateway/https_transport.h"

namespace pelmora {

enum class PinVerdict {
    FirstUse,  // nothing pinned yet: pin what was seen
    Same,      // the pinned key
    Renewal,   // the yearly renewal: take the new key without asking
    Changed,   // anything else: ask the user
};

// How a certificate seen at the gateway compares with the pinned one. A new
// key counts as the renewal when the pinned certificate has expired or
// expires within 30 days of `now`, and the new one has the same subject and
// starts after the pinned one started. A pin whose dates are not known is
// never renewed without asking.
PinVerdict JudgeCertificate(const std::optional<CertificateFacts>& pinned, const CertificateFacts& seen,
                            std::int64_t now);

// The SHA-256 as colon-separated hex pairs, for people to compare.
std::string Fingerprint(const std::string& key_sha256_base64);

// Where the pin is kept between runs.
class PinStore {
public:
    virtual ~PinStore() = default;
    virtual std::optional<CertificateFacts> Load() = 0;
    virtual void Save(const CertificateFacts& facts) = 0;
};

class MemoryPinStore : public PinStore {
public:
    std::optional<CertificateFacts> Load() override { return m_facts; }
    void Save(const CertificateFacts& facts) override { m_facts = facts; }

private:
    std::optional<CertificateFacts> m_facts;
};

}  // namespace pelmora
