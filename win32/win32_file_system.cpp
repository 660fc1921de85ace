#include "win32/win32_file_system.h"

#include <windows.h>

#include <algorithm>
#include <memory>

#include "platform/failure.h"
#include "win32/device_name.h"
#include "win32/utf16.h"

namespace pelmora {

namespace {

[[noreturn]] void fail_for(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND: throw Failure(failure_code::PathNotFound, "Path not found");
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION: throw Failure(failure_code::PermissionDenied, "Permission denied");
        case ERROR_INVALID_NAME:
        case ERROR_FILENAME_EXCED_RANGE:
        case ERROR_BAD_PATHNAME:
        case ERROR_DIRECTORY: throw Failure(failure_code::BadFileName, "Bad file name or number");
        default: throw Failure(failure_code::DeviceIo, "Device I/O error");
    }
}

struct CloseFile {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using File = std::unique_ptr<void, CloseFile>;

File open(const std::wstring& path, DWORD access, DWORD share, DWORD disposition) {
    HANDLE handle = CreateFileW(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    return File(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

void write_all(HANDLE file, std::string_view content) {
    while (!content.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(content.size(), 1 << 20));
        DWORD written = 0;
        if (!WriteFile(file, content.data(), chunk, &written, nullptr) || written == 0) fail_for(GetLastError());
        content.remove_prefix(written);
    }
}

bool busy(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_UNABLE_TO_REMOVE_REPLACED;
}

// The attributes of what is at `path`, or nothing when nothing is.
std::optional<DWORD> attributes_of(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
    return attributes;
}

// A folder, a device, or a link (a reparse point), none of which the appends write through.
constexpr DWORD kNotAPlainFile = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_REPARSE_POINT;

[[noreturn]] void refuse_non_file() { throw Failure(failure_code::PathFileAccess, "Path/File access error"); }

// What a symbolic link at `path` leads to, so that the file is replaced and
// the link stays, as on Linux; `path` itself for anything else.
std::wstring through_link(const std::wstring& path, DWORD attributes) {
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return path;
    File file(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        (void)file.release();
        fail_for(GetLastError());
    }
    std::wstring resolved(32768, L'\0');
    const DWORD length = GetFinalPathNameByHandleW(file.get(), resolved.data(), static_cast<DWORD>(resolved.size()),
                                                   FILE_NAME_NORMALIZED);
    if (length == 0 || length >= resolved.size()) fail_for(GetLastError());
    resolved.resize(length);
    return resolved;
}

// Whether another program holds `target` open, so that it cannot be
// replaced now. Asked before replacing, since a replace that fails leaves a
// stray file behind on some systems.
bool held_open(const std::wstring& target) {
    HANDLE handle = CreateFileW(target.c_str(), DELETE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_SHARING_VIOLATION;
    CloseHandle(handle);
    return false;
}

// What the user may have set on the output file and a replace must keep.
constexpr DWORD kUserAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// Puts `temporary` in the place of `target`: over an existing file
// (`attributes` its attributes) by ReplaceFileW, which keeps its access list
// and streams, with its attributes set again where they were not kept.
bool put_in_place(const std::wstring& temporary, const std::wstring& target, std::optional<DWORD> attributes) {
    if (!attributes) {
        return MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) !=
               FALSE;
    }
    if (held_open(target)) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return false;
    }
    if (!ReplaceFileW(target.c_str(), temporary.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
        return false;
    const DWORD now = GetFileAttributesW(target.c_str());
    const DWORD wanted = *attributes & kUserAttributes;
    if (now != INVALID_FILE_ATTRIBUTES && (now & kUserAttributes) != wanted) {
        const DWORD set = (now & ~kUserAttributes & ~FILE_ATTRIBUTE_NORMAL) | wanted;
        SetFileAttributesW(target.c_str(), set == 0 ? FILE_ATTRIBUTE_NORMAL : set);
    }
    return true;
}

void write_in_place(const std::wstring& target, std::string_view content) {
    File file = open(target, GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS);
    if (!file) fail_for(GetLastError());
    write_all(file.get(), content);
}

}  // namespace

void Win32FileSystem::replace_file(const std::string& path, std::string_view content) {
    if (path.empty() || path.find('\0') != std::string::npos || path.back() == '\\' || path.back() == '/')
        throw Failure(failure_code::BadFileName, "Bad file name or number");
    if (IsDeviceName(path)) refuse_non_file();
    std::wstring target = Utf16(path);
    std::optional<DWORD> existing = attributes_of(target);
    if (existing && (*existing & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        target = through_link(target, *existing);
        existing = attributes_of(target);
    }
    if (existing) {
        if ((*existing & FILE_ATTRIBUTE_DIRECTORY) != 0 || (*existing & FILE_ATTRIBUTE_DEVICE) != 0) refuse_non_file();
        if ((*existing & FILE_ATTRIBUTE_READONLY) != 0)
            throw Failure(failure_code::PermissionDenied, "Permission denied");
    }
    const std::wstring temporary = target + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp";
    {
        File file = open(temporary, GENERIC_WRITE, 0, CREATE_ALWAYS);
        if (!file) {
            const DWORD error = GetLastError();
            // No temporary file beside it: the file is written in place.
            if (error == ERROR_ACCESS_DENIED || error == ERROR_FILENAME_EXCED_RANGE) {
                write_in_place(target, content);
                return;
            }
            fail_for(error);
        }
        try {
            write_all(file.get(), content);
            FlushFileBuffers(file.get());
        } catch (...) {
            file.reset();
            DeleteFileW(temporary.c_str());
            throw;
        }
    }
    for (int waited = 0;; waited += 10) {
        if (put_in_place(temporary, target, existing)) return;
        const DWORD error = GetLastError();
        if (!busy(error) || waited >= kBusyWaitMs) {
            DeleteFileW(temporary.c_str());
            fail_for(error);
        }
        Sleep(10);
    }
}

void Win32FileSystem::append_file(const std::string& path, std::string_view content) {
    if (IsDeviceName(path)) refuse_non_file();
    const std::wstring target = Utf16(path);
    if (const std::optional<DWORD> existing = attributes_of(target); existing && (*existing & kNotAPlainFile) != 0)
        refuse_non_file();
    File file = open(target, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_ALWAYS);
    if (!file) fail_for(GetLastError());
    write_all(file.get(), content);
}

void Win32FileSystem::cut_file(const std::string& path, std::size_t size) {
    if (IsDeviceName(path)) refuse_non_file();
    const std::wstring target = Utf16(path);
    const std::optional<DWORD> existing = attributes_of(target);
    if (!existing) fail_for(GetLastError());
    if ((*existing & kNotAPlainFile) != 0) refuse_non_file();
    File file = open(target, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    if (!file) fail_for(GetLastError());
    LARGE_INTEGER length{};
    if (!GetFileSizeEx(file.get(), &length)) fail_for(GetLastError());
    if (static_cast<unsigned long long>(length.QuadPart) <= size) return;
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(size);
    if (!SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN) || !SetEndOfFile(file.get())) fail_for(GetLastError());
}

std::optional<std::string> Win32FileSystem::read_file(const std::string& path, std::size_t limit) {
    const std::wstring target = Utf16(path);
    const std::optional<DWORD> existing = attributes_of(target);
    if (!existing || (*existing & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) return std::nullopt;
    File file = open(target, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING);
    if (!file) return std::nullopt;
    std::string content;
    char buffer[65536];
    const std::size_t most = limit == SIZE_MAX ? limit : limit + 1;
    while (content.size() < most) {
        DWORD read = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(sizeof buffer, most - content.size()));
        if (!ReadFile(file.get(), buffer, want, &read, nullptr)) return std::nullopt;
        if (read == 0) break;
        content.append(buffer, read);
    }
    return content;
}

std::vector<std::string> Win32FileSystem::list_folder(const std::string& path) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((Utf16(path) + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if ((found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0)
            names.push_back(Utf8(found.cFileName));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

void Win32FileSystem::make_folders(const std::string& path) {
    const std::wstring wide = Utf16(path);
    for (std::size_t at = 0; at != std::wstring::npos;) {
        at = wide.find_first_of(L"\\/", at + 1);
        const std::wstring part = wide.substr(0, at);
        // A drive ("C:") or the root is there already.
        if (part.empty() || part.back() == L':') continue;
        if (const std::optional<DWORD> there = attributes_of(part); there && (*there & FILE_ATTRIBUTE_DIRECTORY) != 0)
            continue;
        if (!CreateDirectoryW(part.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            fail_for(GetLastError());
    }
    const std::optional<DWORD> made = attributes_of(wide);
    if (!made || (*made & FILE_ATTRIBUTE_DIRECTORY) == 0) throw Failure(failure_code::PathNotFound, "Path not found");
}

void Win32FileSystem::remove_file(const std::string& path) {
    if (DeleteFileW(Utf16(path).c_str())) return;
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return;
    fail_for(error);
}

}  // namespace pelmora
