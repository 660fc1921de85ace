#pragma once

#include <string>

#include "access/pinned_key.h"
#include "platform/settings_store.h"

namespace pelmora {

// The pin in the settings file's [Gateway] group: KeySha256, KeySubject,
// KeyNotBefore and KeyNotAfter (UTC, "2026-12-08T07:00:00Z", any year to
// 9999). A date that is missing or not exactly of that form leaves the pin's
// dates unknown, so that a new key is put to the user. Other groups are not
// touched.
class SettingsPinStore : public PinStore {
public:
    SettingsPinStore(SettingsStore& settings, std::string app) : m_settings(settings), m_app(std::move(app)) {}
    std::optional<CertificateFacts> Load() override;
    void Save(const CertificateFacts& facts) override;

private:
    SettingsStore& m_settings;
    std::string m_app;
};

}  // namespace pelmora
