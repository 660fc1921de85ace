#include "access/settings_pin_store.h"

#include <cstdio>
#include <ctime>

#include "access/token_keeper.h"

namespace pelmora {

std::string IsoUtc(std::int64_t epoch) {
    const std::time_t t = static_cast<std::time_t>(epoch);
    std::tm tm{};
    if (gmtime_r(&t, &tm) == nullptr) return std::string();
    char buffer[40];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return buffer;
}

std::optional<std::int64_t> ParseIsoUtc(const std::string& text) {
    std::tm tm{};
    int consumed = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2dZ%n", &tm.tm_year, &tm.tm_mon, &tm.tm_mday, &tm.tm_hour,
                    &tm.tm_min, &tm.tm_sec, &consumed) != 6 ||
        static_cast<std::size_t>(consumed) != text.size())
        return std::nullopt;
    tm.tm_year -= 1900;
    tm.tm_mon -= 1;
#ifdef _WIN32
    return static_cast<std::int64_t>(_mkgmtime(&tm));
#else
    return static_cast<std::int64_t>(timegm(&tm));
#endif
}

std::optional<CertificateFacts> SettingsPinStore::Load() {
    auto get = [&](const char* key) { return m_settings.GetSetting(m_app, kGatewaySection, key, ""); };
    CertificateFacts facts;
    facts.key_sha256 = get("KeySha256");
    if (facts.key_sha256.empty()) return std::nullopt;
    facts.subject = get("KeySubject");
    facts.not_before = ParseIsoUtc(get("KeyNotBefore")).value_or(0);
    facts.not_after = ParseIsoUtc(get("KeyNotAfter")).value_or(0);
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
