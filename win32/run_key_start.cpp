#include "win32/run_key_start.h"

#include <windows.h>

#include "platform/failure.h"
#include "win32/utf16.h"

namespace pelmora {

std::string RunKeyStart::CommandLine(bool tray) const { return "\"" + m_exe_path + "\"" + (tray ? " --tray" : ""); }

bool RunKeyStart::On() const {
    return RegGetValueW(HKEY_CURRENT_USER, Utf16(m_key).c_str(), Utf16(m_program).c_str(), RRF_RT_REG_SZ, nullptr,
                        nullptr, nullptr) == ERROR_SUCCESS;
}

void RunKeyStart::Set(bool on, bool tray) {
    if (m_exe_path.find('"') != std::string::npos || m_exe_path.empty())
        throw Failure(failure_code::InvalidCall, "the program's path cannot be quoted");
    HKEY key = nullptr;
    LONG result =
        RegCreateKeyExW(HKEY_CURRENT_USER, Utf16(m_key).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    if (result == ERROR_SUCCESS) {
        const std::wstring name = Utf16(m_program);
        if (on) {
            const std::wstring data = Utf16(CommandLine(tray));
            result = RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                                    static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
        } else {
            result = RegDeleteValueW(key, name.c_str());
            if (result == ERROR_FILE_NOT_FOUND) result = ERROR_SUCCESS;
        }
        RegCloseKey(key);
    }
    if (result != ERROR_SUCCESS)
        throw Failure(failure_code::DeviceIo, "the registry refused it (error " + std::to_string(result) + ")");
}

}  // namespace pelmora
