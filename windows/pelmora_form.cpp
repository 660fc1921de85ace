#include "windows/pelmora_form.h"

#include <windows.h>
#include <commctrl.h>

#include "form/title_bar_place.h"
#include "win32/object_procedure.h"

#include <cctype>
#include <functional>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <vector>

#include "site/site_text.h"
#include "win32/utf16.h"
#include "win32/win32_colour.h"
#include "windows/desktop_page.h"
#include "windows/tariff_page.h"
#include "windows/gateway_page.h"
#include "windows/publish_page.h"
#include "windows/options_dialog.h"

namespace pelmora {

namespace {

constexpr UINT_PTR kTimerId = 1;
constexpr UINT kPostedTick = WM_APP + 1;
constexpr UINT kDeferred = WM_APP + 2;
constexpr int kFirstControlId = 100;
constexpr const wchar_t* kWindowClass = L"Pelmorafrm";

struct ControlState {
    HWND window = nullptr;
    OleColor back = kWindowBackground;
    HBRUSH brush = nullptr;
    std::string tooltip;
};

// The file address of the notes beside the program (executable given with
// "/" between folders); every byte but letters, digits and "/:.-_~" is
// percent-encoded.
std::string NotesAddress(const std::string& executable) {
    const std::string notes = executable.substr(0, executable.rfind('/') + 1) + "use.txt";
    std::string address = "file:///";
    for (const char c : notes) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x80 && std::isalnum(byte) != 0) || std::string_view("/:.-_~").find(c) != std::string_view::npos) {
            address += c;
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", byte);
            address += escaped;
        }
    }
    return address;
}

// Catches the double-click an edit box does not tell its parent of.
LRESULT CALLBACK edit_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR data) {
    if (message == WM_LBUTTONDBLCLK) {
        auto* form = reinterpret_cast<Pelmorafrm*>(data);
        wchar_t name[32] = {};
        GetPropW(window, L"PelmoraName") != nullptr
            ? static_cast<void>(lstrcpynW(name, static_cast<const wchar_t*>(GetPropW(window, L"PelmoraName")), 32))
            : static_cast<void>(0);
        form->DoubleClicked(Utf8(name));
    }
    return DefSubclassProc(window, message, wparam, lparam);
}

}  // namespace

// A control of the design with what it does with its own notifications.
struct Pelmorafrm::Control {
    ControlDesign design;
    ControlState state;
    std::wstring name;
    unsigned notification = 0;              // the WM_COMMAND code it answers
    std::function<void()> on_notification;  // none: it answers none
};

Pelmorafrm::Pelmorafrm(ShellServices services, StartInfo start) : m_services(services) {
    INITCOMMONCONTROLSEX common{sizeof common, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&common);
    HINSTANCE instance = GetModuleHandleW(nullptr);
    RegisterObjectClass<Pelmorafrm>(kWindowClass, CS_DBLCLKS);
    HDC screen_dc = GetDC(nullptr);
    m_dpi = GetDeviceCaps(screen_dc, LOGPIXELSX);
    ReleaseDC(nullptr, screen_dc);
    m_caption = std::string(kDesignCaption);
    HWND window = CreateWindowExW(0, kWindowClass, Utf16(m_caption).c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, pixels(kDesignClientWidth + kDesignFrameWidth),
                                  pixels(kDesignClientHeight + kDesignFrameHeight), nullptr, nullptr, instance, this);
    if (window == nullptr) throw std::runtime_error("the window cannot be made: no display");
    m_window = reinterpret_cast<Hwnd>(window);
    const std::string about = AboutTextAt(NotesAddress(start.executable));
    m_controller = std::make_unique<WindowController>(services, std::move(start),
                                                      MainWindowParts{*this, *this, *this, *this, m_system, *this});
    m_controller->menu().SetAboutText(about);
    build_controls();
    set_enabled(true);
}

Pelmorafrm::~Pelmorafrm() {
    for (auto& [name, control] : m_controls) {
        if (control->state.brush != nullptr) DeleteObject(control->state.brush);
    }
    for (const auto& [kind, font] : m_fonts) DeleteObject(reinterpret_cast<HFONT>(font));
    if (IsWindow(reinterpret_cast<HWND>(m_window))) DestroyWindow(reinterpret_cast<HWND>(m_window));
}

int Pelmorafrm::pixels(int twips) const { return MulDiv(twips, m_dpi, 1440); }
int Pelmorafrm::twips(int pixels) const { return MulDiv(pixels, 1440, m_dpi); }

void Pelmorafrm::build_controls() {
    HWND parent = reinterpret_cast<HWND>(m_window);
    HINSTANCE instance = GetModuleHandleW(nullptr);
    m_tooltips = reinterpret_cast<Hwnd>(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                                        WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, 0, 0, 0, 0, parent,
                                                        nullptr, instance, nullptr));
    SendMessageW(reinterpret_cast<HWND>(m_tooltips), TTM_SETMAXTIPWIDTH, 0, 400);
    // The window's own tooltip, where the site's notes go.
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = parent;
    tool.uId = reinterpret_cast<UINT_PTR>(parent);
    tool.lpszText = const_cast<wchar_t*>(L"");
    SendMessageW(reinterpret_cast<HWND>(m_tooltips), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    int id = kFirstControlId;
    for (const ControlDesign& d : MainWindowDesign()) {
        if (d.kind != ControlKind::Timer) add_control(d, id++);
    }
}

void Pelmorafrm::add_control(const ControlDesign& d, int id) {
    HWND parent = reinterpret_cast<HWND>(m_window);
    HINSTANCE instance = GetModuleHandleW(nullptr);
    const wchar_t* type = L"STATIC";
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS | (d.visible ? WS_VISIBLE : 0);
    DWORD extended = 0;
    switch (d.kind) {
        case ControlKind::TextBox:
            type = L"EDIT";
            style |= WS_TABSTOP | ES_AUTOHSCROLL | (d.right_aligned ? ES_RIGHT : ES_LEFT);
            extended = WS_EX_CLIENTEDGE;
            break;
        case ControlKind::Label: style |= SS_LEFT | SS_NOPREFIX; break;
        case ControlKind::CheckBox:
            type = L"BUTTON";
            style |= WS_TABSTOP | BS_AUTOCHECKBOX;
            break;
        case ControlKind::CommandButton:
            type = L"BUTTON";
            style |= WS_TABSTOP | BS_PUSHBUTTON;
            break;
        case ControlKind::Timer: break;
    }
    auto control = std::make_unique<Control>();
    control->design = d;
    control->name = Utf16(std::string(d.name));
    HWND child = CreateWindowExW(extended, type, Utf16(std::string(d.text)).c_str(), style, pixels(d.left),
                                 pixels(d.top), pixels(d.width), pixels(d.height), parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    control->state.window = child;
    const int kind = static_cast<int>(d.font);
    if (m_fonts.find(kind) == m_fonts.end()) {
        const double points = d.font == ControlFont::Bold975 ? 9.75 : 8.25;
        m_fonts[kind] = reinterpret_cast<std::uintptr_t>(CreateFontW(
            -static_cast<int>(std::lround(points * m_dpi / 72.0)), 0, 0, 0,
            d.font == ControlFont::Default ? FW_NORMAL : FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, L"MS Sans Serif"));
    }
    SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(m_fonts[kind]), FALSE);
    SetPropW(child, L"PelmoraName", const_cast<wchar_t*>(control->name.c_str()));
    if (d.name == "Grid" || d.name == "IP")
        SetWindowSubclass(child, edit_procedure, 1, reinterpret_cast<DWORD_PTR>(this));
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = parent;
    tool.uId = reinterpret_cast<UINT_PTR>(child);
    std::wstring tip = Utf16(std::string(d.tooltip));
    tool.lpszText = tip.data();
    SendMessageW(reinterpret_cast<HWND>(m_tooltips), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    control->state.tooltip = std::string(d.tooltip);
    const std::string name(d.name);
    const auto answer = [&control](unsigned code, std::function<void()> run) {
        control->notification = code;
        control->on_notification = std::move(run);
    };
    if (name == "Startbtn") answer(BN_CLICKED, [this] { m_controller->Startbtn_Click(); });
    if (name == "Stopbtn") answer(BN_CLICKED, [this] { m_controller->Stopbtn_Click(); });
    if (name == "CreateOutputchk") answer(BN_CLICKED, [this] { m_controller->CreateOutputchk_Click(); });
    if (name == "Delay") answer(EN_KILLFOCUS, [this] { m_controller->Delay_LostFocus(); });
    m_by_window[reinterpret_cast<Hwnd>(child)] = control.get();
    m_controls[name] = std::move(control);
    if (d.back_color) set_back_color(name, *d.back_color);
    // Labels lie under the boxes they overlap, as the design draws them.
    if (d.kind == ControlKind::Label)
        SetWindowPos(child, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

const Pelmorafrm::Control* Pelmorafrm::find(std::string_view name) const {
    const auto found = m_controls.find(name);
    return found == m_controls.end() ? nullptr : found->second.get();
}

Hwnd Pelmorafrm::control(std::string_view name) const {
    const Control* found = find(name);
    return found != nullptr ? reinterpret_cast<Hwnd>(found->state.window) : 0;
}

void Pelmorafrm::show_site_row(bool shown) {
    if (shown == m_site_row) return;
    if (control("Battery") == 0) {
        int id = kFirstControlId + static_cast<int>(MainWindowDesign().size());
        for (const ControlDesign& d : SiteRowDesign()) add_control(d, id++);
        for (const ControlDesign& d : SiteRowDesign()) {
            if (d.kind != ControlKind::TextBox) continue;
            SendMessageW(find(d.name)->state.window, EM_SETREADONLY, TRUE, 0);
            // Read-only boxes keep the base colour of the others.
            set_back_color(d.name, kWindowBackground);
        }
    }
    const int frame_height = Height();
    const int shift = pixels(shown ? kSiteRowHeight : -kSiteRowHeight);
    for (const ControlDesign& d : MainWindowDesign()) {
        if (d.kind == ControlKind::Timer || d.top < kSiteRowTop) continue;
        HWND child = find(d.name)->state.window;
        RECT r{};
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, reinterpret_cast<HWND>(m_window), reinterpret_cast<POINT*>(&r), 2);
        SetWindowPos(child, nullptr, r.left, r.top + shift, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    for (const ControlDesign& d : SiteRowDesign()) ShowWindow(find(d.name)->state.window, shown ? SW_SHOW : SW_HIDE);
    m_site_row = shown;
    SetHeight(frame_height);
}

void Pelmorafrm::set_box_visible(std::string_view box, bool shown) {
    if (const Control* found = find(box)) ShowWindow(found->state.window, shown ? SW_SHOW : SW_HIDE);
}

HistoryWindow& Pelmorafrm::open_history() {
    if (!m_history_window)
        m_history_window = std::make_unique<HistoryWindow>(*m_services.history, m_services.settings, m_calendar);
    m_history_window->Open();
    return *m_history_window;
}

void Pelmorafrm::show_site(const SiteWindowView& content) {
    if (!m_site_window) m_site_window = std::make_unique<SiteWindow>(m_services.settings);
    m_site_window->Open(content);
}

void Pelmorafrm::draw_site(const SiteWindowView& content) {
    if (m_site_window && IsWindowVisible(reinterpret_cast<HWND>(m_site_window->handle()))) m_site_window->Draw(content);
}

void Pelmorafrm::close_site() {
    if (m_site_window && IsWindowVisible(reinterpret_cast<HWND>(m_site_window->handle())))
        SendMessageW(reinterpret_cast<HWND>(m_site_window->handle()), WM_CLOSE, 0, 0);
}

void Pelmorafrm::close_history() {
    if (m_history_window && IsWindowVisible(reinterpret_cast<HWND>(m_history_window->handle())))
        SendMessageW(reinterpret_cast<HWND>(m_history_window->handle()), WM_CLOSE, 0, 0);
}

void Pelmorafrm::open_options(const OptionsContent& content) {
    OptionsDialog dialog(m_window);
    std::unique_ptr<GatewayPage> gateway;
    if (content.access != nullptr) {
        gateway = std::make_unique<GatewayPage>(*content.access, content.mode);
        dialog.add_page(*gateway);
    }
    std::unique_ptr<PublishPage> publish;
    if (content.publish != nullptr) {
        publish = std::make_unique<PublishPage>(*content.publish, content.address);
        dialog.add_page(*publish);
    }
    std::unique_ptr<DesktopPage> desktop;
    if (content.desktop) {
        desktop = std::make_unique<DesktopPage>(*content.desktop);
        dialog.add_page(*desktop);
    }
    std::unique_ptr<TariffPage> tariff;
    if (content.tariff != nullptr) {
        tariff = std::make_unique<TariffPage>(*content.tariff);
        dialog.add_page(*tariff);
    }
    dialog.Run();
}

void Pelmorafrm::defer(std::function<void()> later) {
    m_deferred.push_back(std::move(later));
    PostMessageW(reinterpret_cast<HWND>(m_window), kDeferred, 0, 0);
}

std::intptr_t Pelmorafrm::Message(unsigned message, std::uintptr_t wparam, std::intptr_t lparam) {
    HWND window = reinterpret_cast<HWND>(m_window);
    switch (message) {
        case WM_TIMER:
            if (wparam == kTimerId) m_controller->Timer1_Timer();
            return 0;
        case kPostedTick:
            if (m_timer_on) m_controller->Timer1_Timer();
            return 0;
        case kDeferred: {
            std::vector<std::function<void()>> due;
            due.swap(m_deferred);
            for (const auto& later : due) later();
            return 0;
        }
        case WM_COMMAND: {
            const auto found = m_by_window.find(static_cast<Hwnd>(lparam));
            if (found != m_by_window.end() && found->second->on_notification &&
                found->second->notification == HIWORD(wparam))
                found->second->on_notification();
            return 0;
        }
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC: {
            const auto found = m_by_window.find(static_cast<Hwnd>(lparam));
            if (found == m_by_window.end() || found->second->state.brush == nullptr) break;
            SetBkColor(reinterpret_cast<HDC>(wparam), ColourRefOf(found->second->state.back));
            return reinterpret_cast<std::intptr_t>(found->second->state.brush);
        }
        case WM_CLOSE: close(); return 0;
        // The session ends: the settings are kept whatever closing to the notification area says.
        case WM_QUERYENDSESSION: return TRUE;
        case WM_ENDSESSION:
            if (wparam != 0) Quit();
            return 0;
        case WM_DESTROY: PostQuitMessage(0); return 0;
        default: break;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

void Pelmorafrm::DoubleClicked(std::string_view control) {
    if (control == "Grid") m_controller->Grid_DblClick();
    if (control == "IP") m_controller->IP_DblClick();
}

bool Pelmorafrm::shown() const {
    HWND window = reinterpret_cast<HWND>(m_window);
    return IsWindowVisible(window) && !IsIconic(window);
}

void Pelmorafrm::hide() { ShowWindow(reinterpret_cast<HWND>(m_window), SW_HIDE); }
void Pelmorafrm::minimize() { ShowWindow(reinterpret_cast<HWND>(m_window), SW_MINIMIZE); }

void Pelmorafrm::show_in_front() {
    HWND window = reinterpret_cast<HWND>(m_window);
    ShowWindow(window, IsIconic(window) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(window);
}

void Pelmorafrm::close() {
    // Hidden in the notification area, still polling; Quit ends the program.
    if (m_controller->Closing() == WindowController::CloseStep::HideInTray) {
        hide();
        return;
    }
    DestroyWindow(reinterpret_cast<HWND>(m_window));
}

std::string Pelmorafrm::text(std::string_view name) const {
    const Control* control = find(name);
    if (control == nullptr) return "";
    const int length = GetWindowTextLengthW(control->state.window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    GetWindowTextW(control->state.window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(length));
    return Utf8(text);
}

void Pelmorafrm::set_text(std::string_view name, const std::string& value) {
    if (const Control* control = find(name)) SetWindowTextW(control->state.window, Utf16(value).c_str());
}

OleColor Pelmorafrm::back_color(std::string_view name) const {
    const Control* control = find(name);
    return control != nullptr ? control->state.back : kWindowBackground;
}

void Pelmorafrm::set_back_color(std::string_view name, OleColor colour) {
    const auto found = m_controls.find(name);
    if (found == m_controls.end()) return;
    ControlState& state = found->second->state;
    if (state.brush != nullptr && state.back == colour) return;
    if (state.brush != nullptr) DeleteObject(state.brush);
    state.back = colour;
    state.brush = CreateSolidBrush(ColourRefOf(colour));
    InvalidateRect(state.window, nullptr, TRUE);
}

std::string Pelmorafrm::tooltip(std::string_view name) const {
    const Control* control = find(name);
    return control != nullptr ? control->state.tooltip : "";
}

void Pelmorafrm::set_tooltip(std::string_view name, const std::string& value) {
    const auto found = m_controls.find(name);
    if (found == m_controls.end()) return;
    found->second->state.tooltip = value;
    update_tip(reinterpret_cast<Hwnd>(found->second->state.window), value);
}

void Pelmorafrm::update_tip(Hwnd tool_window, const std::string& value) {
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = reinterpret_cast<HWND>(m_window);
    tool.uId = static_cast<UINT_PTR>(tool_window);
    std::wstring tip = Utf16(value);
    tool.lpszText = tip.data();
    SendMessageW(reinterpret_cast<HWND>(m_tooltips), TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

int Pelmorafrm::value(std::string_view name) const {
    const Control* control = find(name);
    if (control == nullptr) return 0;
    const LRESULT state = SendMessageW(control->state.window, BM_GETCHECK, 0, 0);
    return state == BST_CHECKED ? 1 : state == BST_INDETERMINATE ? 2 : 0;
}

void Pelmorafrm::set_value(std::string_view name, int checked) {
    const Control* control = find(name);
    if (control == nullptr || value(name) == checked) return;
    SendMessageW(control->state.window, BM_SETCHECK,
                 checked == 1   ? BST_CHECKED
                 : checked == 2 ? BST_INDETERMINATE
                                : BST_UNCHECKED,
                 0);
    if (name == "CreateOutputchk") m_controller->CreateOutputchk_Click();
}

int Pelmorafrm::Left() const {
    RECT r{};
    GetWindowRect(reinterpret_cast<HWND>(m_window), &r);
    return twips(r.left);
}
int Pelmorafrm::Top() const {
    RECT r{};
    GetWindowRect(reinterpret_cast<HWND>(m_window), &r);
    return twips(r.top);
}
int Pelmorafrm::Width() const {
    RECT r{};
    GetWindowRect(reinterpret_cast<HWND>(m_window), &r);
    return twips(r.right - r.left);
}
// The battery row is the window's own: the frame's height, as the menu, the
// settings and the thresholds see it, leaves it out.
int Pelmorafrm::Height() const {
    RECT r{};
    GetWindowRect(reinterpret_cast<HWND>(m_window), &r);
    return twips(r.bottom - r.top) - (m_site_row ? kSiteRowHeight : 0);
}
void Pelmorafrm::SetLeft(int value) {
    SetWindowPos(reinterpret_cast<HWND>(m_window), nullptr, pixels(value), pixels(Top()), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER);
}
void Pelmorafrm::SetTop(int value) {
    SetWindowPos(reinterpret_cast<HWND>(m_window), nullptr, pixels(Left()), pixels(value), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER);
}
void Pelmorafrm::SetWidth(int value) {
    SetWindowPos(reinterpret_cast<HWND>(m_window), nullptr, 0, 0, pixels(value), pixels(Height()),
                 SWP_NOMOVE | SWP_NOZORDER);
}
void Pelmorafrm::SetHeight(int value) {
    SetWindowPos(reinterpret_cast<HWND>(m_window), nullptr, 0, 0, pixels(Width()),
                 pixels(value + (m_site_row ? kSiteRowHeight : 0)), SWP_NOMOVE | SWP_NOZORDER);
}

void Pelmorafrm::set_caption(const std::string& caption) {
    m_caption = caption;
    SetWindowTextW(reinterpret_cast<HWND>(m_window), Utf16(m_controller->ShownCaption(caption)).c_str());
}

void Pelmorafrm::show() { ShowWindow(reinterpret_cast<HWND>(m_window), SW_SHOW); }

void Pelmorafrm::set_enabled(bool on) {
    m_timer_on = on;
    if (on) {
        SetTimer(reinterpret_cast<HWND>(m_window), kTimerId, static_cast<UINT>(m_interval), nullptr);
    } else {
        KillTimer(reinterpret_cast<HWND>(m_window), kTimerId);
    }
}

void Pelmorafrm::set_interval(int milliseconds) {
    m_interval = milliseconds;
    if (m_timer_on) SetTimer(reinterpret_cast<HWND>(m_window), kTimerId, static_cast<UINT>(m_interval), nullptr);
}

void Pelmorafrm::restart() {
    if (m_timer_on) SetTimer(reinterpret_cast<HWND>(m_window), kTimerId, static_cast<UINT>(m_interval), nullptr);
}

void Pelmorafrm::post_tick() { PostMessageW(reinterpret_cast<HWND>(m_window), kPostedTick, 0, 0); }

void Pelmorafrm::process_pending_events() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void Pelmorafrm::keep_title_bar_on_screen() {
    HWND window = reinterpret_cast<HWND>(m_window);
    RECT frame{};
    if (!GetWindowRect(window, &frame)) return;
    const int title = GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFRAME);
    const RECT title_bar{frame.left, frame.top, frame.right, frame.top + title};
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromRect(&title_bar, MONITOR_DEFAULTTONEAREST), &monitor)) return;
    const RECT& work = monitor.rcWork;
    const DesktopRect placed =
        TitleBarOnArea({frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top},
                       {work.left, work.top, work.right - work.left, work.bottom - work.top}, title, pixels(1500));
    if (placed.left != frame.left || placed.top != frame.top)
        SetWindowPos(window, nullptr, placed.left, placed.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

ScreenSize Pelmorafrm::screen_size(bool work_area) const {
    if (work_area) {
        RECT area{};
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
        return ScreenSize{twips(area.right - area.left), twips(area.bottom - area.top)};
    }
    return ScreenSize{twips(GetSystemMetrics(SM_CXSCREEN)), twips(GetSystemMetrics(SM_CYSCREEN))};
}

}  // namespace pelmora
