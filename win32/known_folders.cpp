#include "win32/known_folders.h"

#include <windows.h>
#include <shlobj.h>

#include "win32/utf16.h"

namespace pelmora {

namespace {

std::string under(int folder, const std::string& name) {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, path))) return "Pelmora\\" + name;
    return Utf8(path) + "\\Pelmora\\" + name;
}

}  // namespace

std::string RoamingFolderPath(const std::string& name) { return under(CSIDL_APPDATA, name); }

std::string LocalFolderPath(const std::string& name) { return under(CSIDL_LOCAL_APPDATA, name); }

}  // namespace pelmora
