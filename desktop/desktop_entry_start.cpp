#include "desktop/desktop_entry_start.h"

#include "desktop/autostart.h"

namespace pelmora {

bool DesktopEntryStart::On() const { return AutostartOn(m_files, m_path); }

void DesktopEntryStart::Set(bool on, bool tray) {
    SetAutostart(m_files, m_path, on ? AutostartEntry(m_program, m_exec_path, tray) : std::string());
}

}  // namespace pelmora
