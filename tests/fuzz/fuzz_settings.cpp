// Stored settings of any content: loading never fails, and what is saved
// afterwards always has a Top and Left of 0 or more.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fakes/memory_settings_store.h"
#include "form/menu.h"
#include "form/settings.h"
#include "records/stored_value.h"
#include "shell_fakes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    static const char* kKeys[] = {"Top", "Left", "Height", "Width", "IP", "Write", "OnTop"};
    pelmora::MemorySettingsStore store;
    std::size_t start = 0;
    for (const char* key : kKeys) {
        if (start > input.size()) break;
        const std::size_t end = std::min(input.find('\n', start), input.size());
        store.values[std::string("Pelmora/Settings/") + key] = input.substr(start, end - start);
        start = end + 1;
    }
    (void)pelmora::StoredInteger(input);
    (void)pelmora::StoredBoolean(input);

    pelmora::test::FakeWindow window;
    pelmora::test::FakeWindowSystem system;
    pelmora::test::RecordingMessageBox about;
    pelmora::ShellGlobals globals;
    pelmora::Menu menu(system, window, window, about, globals);
    window.on_check_click = [&menu] { menu.CreateOutputchk_Click(); };
    pelmora::LoadSettings(store, window, window, system, globals, pelmora::ScreenSize{15360, 11040});
    const int write = window.value("CreateOutputchk");
    if (write < 0 || write > 2) std::abort();

    pelmora::MemorySettingsStore saved;
    pelmora::SaveSettings(saved, window, window, globals, pelmora::ScreenSize{15360, 11520});
    for (const char* key : {"Top", "Left"}) {
        const auto value = pelmora::StoredInteger(saved.values[std::string("Pelmora/Settings/") + key]);
        if (!value || *value < 0) std::abort();
    }
    return 0;
}
