#include "access/settings_pin_store.h"

#include "access/token_keeper.h"
#include "records/utc_text.h"

namespace pelmora {

std::optional<CertificateFacts> SettingsPinStore::Load() {
    auto get = [&](const char* key) { return m_settings.GetSetting(m_app, kGatewaySection, key, ""); };
    CertificateFacts facts;
    facts.key_sha256 = get("KeySha256");
    if (facts.key_sha256.empty()) return std::nullopt;
    facts.subject = get("KeySubject");
    const auto not_before = ParseIsoUtc(get("KeyNotBefore"));
    const auto not_after = ParseIsoUtc(get("KeyNotAfter"));
    facts.dates_known = not_before && not_after;
    facts.not_before = not_before.value_or(0);
    facts.not_after = not_after.value_or(0);
    return facts;
}

void SettingsPinStore::Save(const CertificateFacts& facts) {
    auto put = [&](const char* key, const std::string& value) {
        m_settings.SaveSetting(m_app, kGatewaySection, key, value);
    };
    put("KeySha256", facts.key_sha256);
    put("KeySubject", facts.subject);
    put("KeyNotBefore", IsoUtc(facts.not_before));
    put("KeyNotAfter", IsoUtc(facts.not_after));
}

}  // namespace pelmora
