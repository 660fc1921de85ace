#pragma once

#include <vector>

#include "windows/options_page.h"

namespace pelmora {

// The Options dialog: a modal window over `owner` with a tab for each page
// added. Run returns when the dialog is closed (its Close buttons, Escape
// or the frame's close box); the owner is disabled meanwhile.
class OptionsDialog {
public:
    explicit OptionsDialog(Hwnd owner) : m_owner(owner) {}
    OptionsDialog(const OptionsDialog&) = delete;
    OptionsDialog& operator=(const OptionsDialog&) = delete;

    void add_page(OptionsPage& page) { m_pages.push_back(&page); }
    void Run();

    // The dialog's window messages.
    std::intptr_t Message(unsigned message, std::uintptr_t wparam, std::intptr_t lparam);
    Hwnd handle() const { return m_dialog; }

    // The dialog's title, by which tests find it.
    static constexpr const char* kTitle = "Pelmora Options";
    static constexpr int kTabsId = 150;

private:
    void make_window();
    void show_page(int index);
    OptionsPage* current() const;

    Hwnd m_owner;
    Hwnd m_dialog = 0;
    Hwnd m_tabs = 0;
    std::uintptr_t m_font = 0;
    std::vector<OptionsPage*> m_pages;
    int m_current = -1;
    bool m_done = false;
};

}  // namespace pelmora
