#include "windows/program_start.h"

#include <windows.h>
#include <shellapi.h>

#include "win32/utf16.h"

namespace pelmora {

ProgramStart ProgramStartOf(const std::wstring& exe_path, const wchar_t* command_line) {
    ProgramStart s;
    s.exe_path = Utf8(exe_path);
    s.start.executable = s.exe_path;
    for (char& c : s.start.executable) {
        if (c == '\\') c = '/';
    }
    const std::size_t name_at = s.start.executable.find_last_of('/') + 1;
    const std::string base = ExecutableBaseName(s.start.executable);
    s.start.executable.replace(name_at, base.size(), ProgramNameIgnoringCase(base));
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(command_line, &count);
    for (int i = 1; arguments != nullptr && i < count; ++i) {
        std::string argument = Utf8(arguments[i]);
        if (argument == "--tray") {
            s.tray = true;
        } else {
            s.start.arguments.push_back(std::move(argument));
        }
    }
    LocalFree(arguments);
    return s;
}

}  // namespace pelmora
