#include "shell/display_platform.h"

namespace pelmora {

std::optional<std::string> ChosenQtPlatform(const EnvironmentReader& variable) {
    auto set = [&](const char* name) {
        const char* value = variable(name);
        return value != nullptr && value[0] != '\0';
    };
    if (set("QT_QPA_PLATFORM") || !set("WAYLAND_DISPLAY") || !set("DISPLAY")) return std::nullopt;
    return "xcb";
}

}  // namespace pelmora
