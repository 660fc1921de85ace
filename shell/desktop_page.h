#pragma once

#include <QWidget>
#include <array>
#include <functional>
#include <string>

#include "desktop/desktop_services.h"
#include "desktop/desktop_settings.h"
#include "platform/file_system.h"
#include "platform/settings_store.h"

class QCheckBox;
class QLabel;
class QLineEdit;

namespace pelmora {

// The Options dialog's "Desktop" page: the tray icon, closing to it,
// starting with the desktop session, and which alerts go to the desktop's
// notifications. Save keeps them in [Desktop] and [Alerts], writes or
// removes the autostart entry (with --tray when the tray is on) and applies
// them at once.
class DesktopPage : public QWidget {
public:
    explicit DesktopPage(DesktopServices services, QWidget* parent = nullptr);

    void on_done(std::function<void()> done) { m_done = std::move(done); }
    void Save();

private:
    DesktopServices m_services;
    QCheckBox* m_tray;
    QCheckBox* m_close_to_tray;
    QCheckBox* m_autostart;
    std::array<QCheckBox*, kAlertKinds> m_alerts{};
    QLineEdit* m_threshold;
    QLineEdit* m_battery_low;
    QLabel* m_message;
    std::function<void()> m_done;
};

}  // namespace pelmora
