#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/settings_store.h"

namespace pelmora {

// Settings in memory, in the order they were first written.
class MemorySettingsStore : public SettingsStore {
public:
    std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                           const std::string& fallback) override {
        auto it = values.find(app + "/" + section + "/" + key);
        return it == values.end() ? fallback : it->second;
    }
    void SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                     const std::string& value) override {
        const std::string path = app + "/" + section + "/" + key;
        if (values.count(path) == 0) order.push_back(path);
        values[path] = value;
        writes.push_back(path);
    }

    std::map<std::string, std::string> values;
    std::vector<std::string> order;
    std::vector<std::string> writes;
};

}  // namespace pelmora
