#include "windows/desktop_page.h"

#include <windows.h>

#include "windows/page_controls.h"

namespace pelmora {

void DesktopPage::Create(const PagePlace& place) {
    m_dialog = place.dialog;
    const DesktopForm current = LoadDesktopForm(m_services);
    const int bottom = place.area.height * 96 / place.dpi;
    const auto make = PageControlMaker(place, m_ids);
    const unsigned long box = WS_TABSTOP | BS_AUTOCHECKBOX;
    make(kTray, L"BUTTON", box, "Show an icon in the notification area", 8, 8, 0, 22);
    make(kCloseToTray, L"BUTTON", box, "Closing the window hides it in the notification area", 8, 32, 0, 22);
    make(kAutostart, L"BUTTON", box, "Start with Windows", 8, 56, 0, 22);
    constexpr int kRow = 22;
    const int alerts = kRow * static_cast<int>(kAlertKinds);
    make(kAlertsGroup, L"BUTTON", BS_GROUPBOX, "Tell me through Windows' notifications when", 8, 88, 0,
         30 + alerts + 56);
    for (std::size_t i = 0; i < kAlertKinds; ++i)
        make(kFirstAlert + static_cast<int>(i), L"BUTTON", box, kAlertTitles[i], 20, 108 + kRow * static_cast<int>(i),
             540, 20);
    const int threshold_top = 110 + alerts;
    make(kThresholdLabel, L"STATIC", SS_LEFT, "Export threshold (W of production):", 20, threshold_top + 3, 220, 20);
    make(kThreshold, L"EDIT", WS_TABSTOP | ES_AUTOHSCROLL, current.threshold, 244, threshold_top, 100, 22);
    make(kBatteryLowLabel, L"STATIC", SS_LEFT, "Low battery charge (%):", 20, threshold_top + 29, 220, 20);
    make(kBatteryLow, L"EDIT", WS_TABSTOP | ES_AUTOHSCROLL | ES_NUMBER, current.battery_low, 244, threshold_top + 26,
         100, 22);
    make(kMessage, L"STATIC", SS_LEFT | SS_NOPREFIX, "", 8, threshold_top + 64, 0, 36);
    make(kSave, L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, "Save", 400, bottom - 36, 84, 26);
    make(kClose, L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, "Close", 490, bottom - 36, 84, 26);

    SetPageControlChecked(m_dialog, kTray, current.tray);
    SetPageControlChecked(m_dialog, kCloseToTray, current.close_to_tray);
    EnablePageControl(m_dialog, kCloseToTray, current.tray);
    SetPageControlChecked(m_dialog, kAutostart, current.autostart);
    for (std::size_t i = 0; i < kAlertKinds; ++i)
        SetPageControlChecked(m_dialog, kFirstAlert + static_cast<int>(i), current.alerts[i]);
}

void DesktopPage::Show(bool shown) {
    for (const int id : m_ids) ShowPageControl(m_dialog, id, shown);
}

void DesktopPage::Command(int id, int code) {
    if (code != BN_CLICKED) return;
    if (id == kTray) EnablePageControl(m_dialog, kCloseToTray, checked(kTray));
    if (id == kSave) save();
    if (id == kClose && close) close();
}

bool DesktopPage::checked(int id) const { return PageControlChecked(m_dialog, id); }

void DesktopPage::save() {
    DesktopForm form{checked(kTray),
                     checked(kCloseToTray),
                     checked(kAutostart),
                     {},
                     PageControlText(m_dialog, kThreshold),
                     PageControlText(m_dialog, kBatteryLow)};
    for (std::size_t i = 0; i < kAlertKinds; ++i) form.alerts[i] = checked(kFirstAlert + static_cast<int>(i));
    SetPageControlText(m_dialog, kMessage, SaveDesktopForm(m_services, form));
}

}  // namespace pelmora
