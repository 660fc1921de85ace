#pragma once

#include <functional>
#include <string>

#include "platform/window_system.h"

namespace pelmora {

// One poller per program name: the first start holds a named mutex and a
// hidden window named after the program; a later start asks that window to
// show the first start's own, and ends.
class SingleInstance {
public:
    explicit SingleInstance(const std::string& program);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    bool first() const { return m_first; }
    // From a later start: asks the first to show its window, waiting up to
    // `wait_ms` for it to stand; false when it never answered.
    bool ShowFirst(unsigned wait_ms) const;
    // In the first start: what a later start's asking does, and what the
    // installer's asking to quit does (the window closing as Quit closes it).
    void Listen(std::function<void()> show, std::function<void()> quit = {});

    // Its hidden window's messages.
    std::intptr_t Message(unsigned message, std::uintptr_t wparam, std::intptr_t lparam);
    Hwnd handle() const { return m_window; }

private:
    std::wstring m_name;
    void* m_mutex = nullptr;
    bool m_first = false;
    Hwnd m_window = 0;
    std::function<void()> m_show;
    std::function<void()> m_quit;
};

}  // namespace pelmora
