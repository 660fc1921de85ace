#pragma once

#include <string>

#include "platform/file_system.h"

namespace pelmora {

// The desktop entry that starts `program` (its absolute path `exec_path`)
// with the desktop session, with --tray when the tray is on, escaped as
// desktop entries require; TryExec names the program, so that a session
// skips the entry once the program is gone. Throws Failure for a path that
// is not absolute or holds a control character.
std::string AutostartEntry(const std::string& program, const std::string& exec_path, bool tray);

// Where the session looks for it: <config home>/autostart/<id>.desktop; the
// program started as PelmoraB gets an id of its own.
std::string AutostartPath(const std::string& config_home, const std::string& application_id,
                          const std::string& program);

// Writes the entry, or removes it when `entry` is empty. Throws Failure when
// the folder or the file cannot be written.
void SetAutostart(FileSystem& files, const std::string& path, const std::string& entry);
bool AutostartOn(FileSystem& files, const std::string& path);

}  // namespace pelmora
