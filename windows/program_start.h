#pragma once

#include <string>

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

}  // namespace pelmora
