#pragma once

#include <string>

#include "platform/settings_store.h"

namespace pelmora {

// The per-user registry where Windows keeps a program's settings by
// application, section and key: the text value `key` under
// HKEY_CURRENT_USER\Software\VB and VBA Program Settings\<app>\<section>.
// A value that is missing, or not text, reads as the fallback; a save the
// registry refuses is dropped.
class RegistrySettingsStore : public SettingsStore {
public:
    // Where `app`'s settings live, under HKEY_CURRENT_USER.
    static std::wstring KeyPath(const std::string& app, const std::string& section);

    std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                           const std::string& fallback) override;
    void SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                     const std::string& value) override;
};

}  // namespace pelmora
