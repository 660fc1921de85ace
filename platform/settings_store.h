#pragma once

#include <string>

namespace pelmora {

// The application name the program's settings are kept under.
inline constexpr const char* kSettingsApp = "Pelmora";

// The per-user store of application settings: text values addressed by
// application, section and key.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The stored text, or `fallback` when the key is missing.
    virtual std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                                   const std::string& fallback) = 0;
    virtual void SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                             const std::string& value) = 0;
};

}  // namespace pelmora
