#pragma once

#include <string>

#include "platform/file_system.h"
#include "platform/session_start.h"

namespace pelmora {

// Starting with the desktop session through an autostart entry at `path`
// that starts `program` at `exec_path`.
class DesktopEntryStart : public SessionStart {
public:
    DesktopEntryStart(FileSystem& files, std::string path, std::string program, std::string exec_path)
        : m_files(files), m_path(std::move(path)), m_program(std::move(program)), m_exec_path(std::move(exec_path)) {}

    bool On() const override;
    void Set(bool on, bool tray) override;
    std::string Where() const override { return m_path; }

private:
    FileSystem& m_files;
    std::string m_path;
    std::string m_program;
    std::string m_exec_path;
};

}  // namespace pelmora
