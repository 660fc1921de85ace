#include "win32/registry_settings_store.h"

#include <windows.h>

#include <vector>

#include "win32/utf16.h"

namespace pelmora {

std::wstring RegistrySettingsStore::KeyPath(const std::string& app, const std::string& section) {
    return L"Software\\VB and VBA Program Settings\\" + Utf16(app) + L"\\" + Utf16(section);
}

std::string RegistrySettingsStore::GetSetting(const std::string& app, const std::string& section,
                                              const std::string& key, const std::string& fallback) {
    HKEY handle = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, KeyPath(app, section).c_str(), 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS)
        return fallback;
    const std::wstring name = Utf16(key);
    DWORD type = 0;
    DWORD bytes = 0;
    std::string result = fallback;
    if (RegQueryValueExW(handle, name.c_str(), nullptr, &type, nullptr, &bytes) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ)) {
        // Room for a terminator the stored value may lack.
        std::vector<wchar_t> text(bytes / sizeof(wchar_t) + 1, L'\0');
        DWORD size = bytes;
        if (RegQueryValueExW(handle, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) ==
            ERROR_SUCCESS) {
            std::wstring value(text.data(), size / sizeof(wchar_t));
            while (!value.empty() && value.back() == L'\0') value.pop_back();
            result = Utf8(value);
        }
    }
    RegCloseKey(handle);
    return result;
}

void RegistrySettingsStore::SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                                        const std::string& value) {
    HKEY handle = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, KeyPath(app, section).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE, nullptr, &handle, nullptr) != ERROR_SUCCESS)
        return;
    const std::wstring text = Utf16(value);
    RegSetValueExW(handle, Utf16(key).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(handle);
}

}  // namespace pelmora
