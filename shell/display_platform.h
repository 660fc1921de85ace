#pragma once

#include <functional>
#include <optional>
#include <string>

namespace pelmora {

// The one id of the desktop entry, the metainfo and the icon; docks group
// the window with its launcher by it.
inline constexpr const char* kApplicationId = "org.pelmora.Pelmora";

// Reads one environment variable: its text, or null when it is not set.
using EnvironmentReader = std::function<const char*(const char*)>;

// The Qt platform the window should ask for: "xcb" in a Wayland session
// (WAYLAND_DISPLAY set) that offers XWayland (DISPLAY set) when the user has
// not chosen one (QT_QPA_PLATFORM unset or empty), because only there can the
// window place itself and stay on top; nothing otherwise.
std::optional<std::string> ChosenQtPlatform(const EnvironmentReader& variable);

}  // namespace pelmora
