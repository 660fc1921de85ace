#include "form/settings.h"

#include <algorithm>

#include "records/stored_value.h"

namespace pelmora {

namespace {

constexpr const char* kMissing = "-1";

}  // namespace

void LoadSettings(SettingsStore& store, WindowFrame& frame, ControlsView& view, WindowSystem& system,
                  ShellGlobals& globals, ScreenSize available) {
    auto get = [&](const char* key) { return store.GetSetting(kSettingsApp, kSettingsSection, key, kMissing); };
    auto integer = [&](const char* key) { return StoredInteger(get(key)).value_or(-1); };

    const std::int32_t top = integer("Top");
    const std::int32_t left = integer("Left");
    std::int32_t height = integer("Height");
    std::int32_t width = integer("Width");
    if (top < 0) return;
    if (available.height_twips > 0) height = std::min(height, available.height_twips);
    if (available.width_twips > 0) width = std::min(width, available.width_twips);

    if (height > 0) frame.SetHeight(height);
    if (width > 0) frame.SetWidth(width);
    frame.SetTop(top);
    frame.SetLeft(left);

    view.set_text("IP", get("IP"));

    int write = integer("Write");
    if (write != 0 && write != 1 && write != 2) write = 0;
    view.set_value("CreateOutputchk", write);

    // A switch the store cannot say counts as off.
    globals.OnTopFlag = StoredBoolean(get("OnTop")).value_or(false);
    system.SetWindowPos(frame.handle(), globals.OnTopFlag ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                        SWP_NOSIZE | SWP_NOMOVE);
}

void SaveSettings(SettingsStore& store, const WindowFrame& frame, const ControlsView& view, const ShellGlobals& globals,
                  ScreenSize screen) {
    std::int32_t top = frame.Top();
    std::int32_t left = frame.Left();
    const int height = frame.Height();
    const int width = frame.Width();

    if (top < 0) top = 0;
    if (top > screen.height_twips - height) top = screen.height_twips - height;
    if (left < 0) left = 0;
    if (left > screen.width_twips - width) left = screen.width_twips - width;
    // A window larger than the screen would be saved above or left of it, and
    // a negative Top makes the next start restore nothing.
    top = std::max(top, 0);
    left = std::max(left, 0);

    auto put = [&](const char* key, const std::string& value) {
        store.SaveSetting(kSettingsApp, kSettingsSection, key, value);
    };
    put("Top", std::to_string(top));
    put("Left", std::to_string(left));
    put("Height", std::to_string(height));
    put("Width", std::to_string(width));
    put("IP", view.text("IP"));
    put("Write", std::to_string(view.value("CreateOutputchk")));
    put("OnTop", globals.OnTopFlag ? "True" : "False");
}

}  // namespace pelmora
