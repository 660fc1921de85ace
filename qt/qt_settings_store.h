#pragma once

#include <string>

#include "platform/settings_store.h"

namespace pelmora {

// QSettings in the native format, organization "Pelmora" and the given
// application; on Linux the file Pelmora/<app>.conf under $XDG_CONFIG_HOME or
// ~/.config. The section is the group.
//
// Only a regular file, or none, is read and replaced: anything else at the
// path (a FIFO, a device, a folder, a link to one of them) is left alone,
// reads give the fallback, saves are dropped, and standard error says so
// once. A save waits at most kLockWaitMs for a lock another process holds on
// the file; past that it is dropped, said once, and later saves while the
// lock stays held do not wait again.
class QtSettingsStore : public SettingsStore {
public:
    static constexpr int kLockWaitMs = 2000;

    // The file that holds `app`'s settings, found without opening it.
    static std::string FilePath(const std::string& app);

    std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                           const std::string& fallback) override;
    void SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                     const std::string& value) override;

private:
    bool usable(const std::string& path);

    bool m_said_not_regular = false;
    bool m_locked_out = false;
};

}  // namespace pelmora
