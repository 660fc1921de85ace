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

namespace {

// The same folder, whatever the case of its letters and a last "\\".
bool same_folder(std::wstring a, std::wstring b) {
    while (a.size() > 3 && (a.back() == L'\\' || a.back() == L'/')) a.pop_back();
    while (b.size() > 3 && (b.back() == L'\\' || b.back() == L'/')) b.pop_back();
    return !a.empty() && CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

std::wstring folder_path(UINT(WINAPI* get)(LPWSTR, UINT)) {
    wchar_t path[MAX_PATH + 1] = {};
    const UINT length = get(path, MAX_PATH + 1);
    return length == 0 || length > MAX_PATH ? std::wstring() : std::wstring(path, length);
}

}  // namespace

std::wstring WorkingFolder(const std::wstring& current, const std::vector<std::wstring>& system_folders,
                           const std::wstring& exe_path) {
    const std::size_t slash = exe_path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return current;
    for (const std::wstring& system : system_folders) {
        if (same_folder(current, system)) return exe_path.substr(0, slash == 2 ? 3 : slash);
    }
    return current;
}

void WorkInOwnFolderWhenStartedInTheSystems(const std::wstring& exe_path) {
    const DWORD size = GetCurrentDirectoryW(0, nullptr);
    if (size == 0) return;
    std::wstring current(size, L'\0');
    current.resize(GetCurrentDirectoryW(size, current.data()));
    const std::vector<std::wstring> systems{folder_path(GetSystemDirectoryW), folder_path(GetWindowsDirectoryW),
                                            folder_path(GetSystemWow64DirectoryW)};
    const std::wstring folder = WorkingFolder(current, systems, exe_path);
    if (folder != current) SetCurrentDirectoryW(folder.c_str());
}

}  // namespace pelmora
