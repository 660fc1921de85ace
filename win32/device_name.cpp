#include "win32/device_name.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

namespace pelmora {

namespace {

std::string upper(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::toupper(c); });
    return out;
}

// COM and LPT take 0 to 9, and the superscripts 1, 2 and 3 in UTF-8.
bool port_number(std::string_view rest) {
    if (rest.size() == 1) return rest[0] >= '0' && rest[0] <= '9';
    return rest == "\xC2\xB9" || rest == "\xC2\xB2" || rest == "\xC2\xB3";
}

}  // namespace

bool IsDeviceName(const std::string& path) {
    std::string_view name = path;
    if (const std::size_t slash = name.find_last_of("\\/"); slash != std::string_view::npos)
        name.remove_prefix(slash + 1);
    // Windows ignores what follows the first dot, and blanks before it.
    name = name.substr(0, name.find('.'));
    while (!name.empty() && (name.back() == ' ' || name.back() == ':')) name.remove_suffix(1);
    const std::string base = upper(name);
    static constexpr std::array<std::string_view, 6> kNames{"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    if (std::find(kNames.begin(), kNames.end(), base) != kNames.end()) return true;
    const std::string_view view = base;
    return (view.substr(0, 3) == "COM" || view.substr(0, 3) == "LPT") && port_number(view.substr(3));
}

}  // namespace pelmora
