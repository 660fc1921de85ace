#pragma once

#include <string>
#include <vector>

#include "form/memory_controls_view.h"
#include "platform/message_box.h"
#include "platform/window_frame.h"
#include "platform/window_system.h"
#include "platform/window_timer.h"

namespace pelmora::test {

// The window in memory: controls, outer geometry in twips, caption. Setting
// the check box to a new value calls `on_check_click`, as the window does.
class FakeWindow : public MemoryControlsView, public WindowFrame {
public:
    int left = 1200, top = 900, width = 8670, height = 2160;
    std::string title = "Pelmora";
    bool shown = false;
    std::function<void()> on_check_click;
    std::vector<std::string> geometry_calls;

    int Left() const override { return left; }
    int Top() const override { return top; }
    int Width() const override { return width; }
    int Height() const override { return height; }
    void SetLeft(int twips) override {
        left = twips;
        geometry_calls.push_back("Left");
    }
    void SetTop(int twips) override {
        top = twips;
        geometry_calls.push_back("Top");
    }
    void SetWidth(int twips) override {
        width = twips;
        geometry_calls.push_back("Width");
    }
    void SetHeight(int twips) override {
        height = twips;
        geometry_calls.push_back("Height");
    }
    std::string caption() const override { return title; }
    void set_caption(const std::string& caption) override { title = caption; }
    Hwnd handle() const override { return 0x1234; }
    void show() override { shown = true; }

    void set_value(std::string_view control, int value) override {
        const bool changed = MemoryControlsView::value(control) != value;
        MemoryControlsView::set_value(control, value);
        if (changed && control == "CreateOutputchk" && on_check_click) on_check_click();
    }
};

// Records the window-system calls; the procedure in place before any was
// installed answers 77 and remembers what it was sent.
class FakeWindowSystem : public WindowSystem {
public:
    struct Appended {
        unsigned flags;
        std::uintptr_t id;
        std::string text;
    };
    struct Position {
        Hwnd window;
        std::intptr_t insert_after;
        unsigned flags;
    };

    FakeWindowSystem() {
        procedure = [this](Hwnd, unsigned message, std::uintptr_t wparam, std::intptr_t) {
            default_received.push_back({message, wparam});
            return std::intptr_t{77};
        };
    }

    MenuHandle GetSystemMenu(Hwnd, bool revert) override {
        last_revert = revert;
        return 42;
    }
    bool AppendMenuA(MenuHandle menu, unsigned flags, std::uintptr_t id, const std::string& text) override {
        if (menu == 42) appended.push_back({flags, id, text});
        return true;
    }
    WndProc SetWindowLongA(Hwnd, int index, WndProc replacement) override {
        last_index = index;
        WndProc previous = procedure;
        procedure = std::move(replacement);
        return previous;
    }
    std::intptr_t CallWindowProcA(const WndProc& p, Hwnd window, unsigned message, std::uintptr_t wparam,
                                  std::intptr_t lparam) override {
        return p ? p(window, message, wparam, lparam) : 0;
    }
    bool SetWindowPos(Hwnd window, std::intptr_t insert_after, int, int, int, int, unsigned flags) override {
        positions.push_back({window, insert_after, flags});
        return true;
    }

    std::intptr_t send(unsigned message, std::uintptr_t wparam) { return procedure(0x1234, message, wparam, 0); }

    WndProc procedure;
    std::vector<Appended> appended;
    std::vector<Position> positions;
    std::vector<std::pair<unsigned, std::uintptr_t>> default_received;
    bool last_revert = true;
    int last_index = 0;
};

class RecordingMessageBox : public MessageBox {
public:
    void Show(const std::string& text, const std::string& title, unsigned style) override {
        shown.push_back({text, title, style});
    }
    struct Shown {
        std::string text;
        std::string title;
        unsigned style;
    };
    std::vector<Shown> shown;

    bool AskYesNo(const std::string& text, const std::string&) override {
        asked.push_back(text);
        return answer;
    }
    std::vector<std::string> asked;
    bool answer = false;
};

class FakeTimer : public WindowTimer, public EventPump {
public:
    bool on = true;
    int milliseconds = 1000;
    int pumps = 0;
    int restarts = 0;
    int posted = 0;
    bool enabled() const override { return on; }
    void set_enabled(bool enabled) override { on = enabled; }
    int interval() const override { return milliseconds; }
    void set_interval(int value) override { milliseconds = value; }
    void restart() override { ++restarts; }
    void post_tick() override { ++posted; }
    void process_pending_events() override { ++pumps; }
};

}  // namespace pelmora::test
