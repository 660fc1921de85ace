#pragma once

#include <string>
#include <vector>

#include "form/startup.h"

namespace pelmora {

// How the program was started: the executable with "/" between folders and
// its name as the program knows it (Windows names ignore case, so
// "pelmorab.exe" is PelmoraB), the arguments after it but --tray, and that one.
struct ProgramStart {
    StartInfo start;
    std::string exe_path;  // as Windows names it
    bool tray = false;
};

ProgramStart ProgramStartOf(const std::wstring& exe_path, const wchar_t* command_line);

// Where the program works, its error log kept there: where it was started,
// but its own folder when started in one of `system_folders` (a start with
// Windows runs in the system folder, where the log has no place).
std::wstring WorkingFolder(const std::wstring& current, const std::vector<std::wstring>& system_folders,
                           const std::wstring& exe_path);

// WorkingFolder for this process, made its current folder.
void WorkInOwnFolderWhenStartedInTheSystems(const std::wstring& exe_path);

}  // namespace pelmora
