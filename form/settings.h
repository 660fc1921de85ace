#pragma once

#include <cstdint>

#include "platform/controls_view.h"
#include "platform/settings_store.h"
#include "platform/window_frame.h"
#include "platform/window_system.h"
#include "form/menu.h"

namespace pelmora {

// [Gateway] key: true reads the second meter as the meter list says.
inline constexpr const char* kModeFromListKey = "SecondMeterFromList";
inline constexpr const char* kSettingsSection = "Settings";

struct ScreenSize {
    int width_twips = 0;
    int height_twips = 0;
};

// Restores placement, size, gateway address, write switch and stay-on-top
// from the store. A missing or unreadable Top restores nothing at all. A
// stored size is held to the screen's `available` area (not when that is
// unknown, 0 by 0).
void LoadSettings(SettingsStore& store, WindowFrame& frame, ControlsView& view, WindowSystem& system,
                  ShellGlobals& globals, ScreenSize available);

// Saves them, with Top and Left brought back onto the screen and never
// saved below 0.
void SaveSettings(SettingsStore& store, const WindowFrame& frame, const ControlsView& view, const ShellGlobals& globals,
                  ScreenSize screen);

}  // namespace pelmora
