#pragma once

#include "platform/settings_store.h"

namespace pelmora {

// QSettings in the native format, organization "Pelmora" and the given
// application; on Linux the file Pelmora/<app>.conf under $XDG_CONFIG_HOME or
// ~/.config. The section is the group.
class QtSettingsStore : public SettingsStore {
public:
    std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                           const std::string& fallback) override;
    void SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                     const std::string& value) override;
};

}  // namespace pelmora
