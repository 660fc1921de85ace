#pragma once

#include "desktop/desktop_form.h"
#include "desktop/desktop_services.h"
#include "windows/options_page.h"

namespace pelmora {

// The Options dialog's "Desktop" page: the notification-area icon, closing
// to it, starting with the Windows session, and which alerts to show.
class DesktopPage : public OptionsPage {
public:
    // The page's controls, by id; the alerts follow kFirstAlert in kAlertKeys' order.
    enum Id : int {
        kTray = 300,
        kCloseToTray,
        kAutostart,
        kAlertsGroup,
        kThresholdLabel,
        kThreshold,
        kBatteryLowLabel,
        kBatteryLow,
        kMessage,
        kSave,
        kClose,
        kFirstAlert,
    };

    explicit DesktopPage(DesktopServices services) : m_services(std::move(services)) {}

    std::string title() const override { return "Desktop"; }
    void Create(const PagePlace& place) override;
    void Show(bool shown) override;
    void Command(int id, int code) override;
    std::optional<unsigned long> TextColour(int) const override { return std::nullopt; }
    void Tick() override {}

private:
    bool checked(int id) const;
    void save();

    DesktopServices m_services;
    Hwnd m_dialog = 0;
    std::vector<int> m_ids;
};

}  // namespace pelmora
