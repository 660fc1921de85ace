#pragma once

#include <string>

#include "platform/session_start.h"

namespace pelmora {

// Starting with the Windows session through a value named `program` under
// the user's Run key (HKCU\<key>), whose data is the quoted `exe_path`
// followed by --tray when the tray is on.
class RunKeyStart : public SessionStart {
public:
    static constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

    RunKeyStart(std::string program, std::string exe_path, std::string key = kRunKey)
        : m_program(std::move(program)), m_exe_path(std::move(exe_path)), m_key(std::move(key)) {}

    bool On() const override;
    void Set(bool on, bool tray) override;
    std::string Where() const override { return "HKEY_CURRENT_USER\\" + m_key + ", " + m_program; }

    // What the value holds for the program started `tray` or not.
    std::string CommandLine(bool tray) const;

private:
    std::string m_program;
    std::string m_exe_path;
    std::string m_key;
};

}  // namespace pelmora
