#include "shell/desktop_page.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "desktop/desktop_form.h"
#include "shell/page_buttons.h"

namespace pelmora {

DesktopPage::DesktopPage(DesktopServices services, QWidget* parent)
    : QWidget(parent),
      m_services(std::move(services)),
      m_tray(new QCheckBox(QStringLiteral("Show an icon in the system tray"), this)),
      m_close_to_tray(new QCheckBox(QStringLiteral("Closing the window hides it in the tray"), this)),
      m_autostart(new QCheckBox(QStringLiteral("Start with the desktop session"), this)),
      m_threshold(new QLineEdit(this)),
      m_battery_low(new QLineEdit(this)),
      m_message(new QLabel(this)) {
    setObjectName(QStringLiteral("DesktopPage"));
    m_tray->setObjectName(QStringLiteral("Tray"));
    m_close_to_tray->setObjectName(QStringLiteral("CloseToTray"));
    m_autostart->setObjectName(QStringLiteral("Autostart"));
    m_threshold->setObjectName(QStringLiteral("ExportThreshold"));
    m_battery_low->setObjectName(QStringLiteral("BatteryLowCharge"));
    m_message->setObjectName(QStringLiteral("DesktopMessage"));
    m_message->setWordWrap(true);

    const DesktopForm current = LoadDesktopForm(m_services);
    m_tray->setChecked(current.tray);
    m_close_to_tray->setChecked(current.close_to_tray);
    m_close_to_tray->setEnabled(current.tray);
    connect(m_tray, &QCheckBox::toggled, m_close_to_tray, &QWidget::setEnabled);
    if (!m_services.tray_available) m_tray->setToolTip(QStringLiteral("This desktop has no system tray at the moment"));
    m_autostart->setChecked(current.autostart);
    m_autostart->setToolTip(QString::fromStdString(m_services.autostart.Where()));

    auto* alerts = new QGroupBox(QStringLiteral("Tell me through the desktop's notifications when"), this);
    auto* alert_layout = new QVBoxLayout(alerts);
    for (std::size_t i = 0; i < kAlertKinds; ++i) {
        m_alerts[i] = new QCheckBox(QString::fromLatin1(kAlertTitles[i]), alerts);
        m_alerts[i]->setObjectName(QStringLiteral("Alert") +
                                   QString::fromLatin1(kAlertKeys[i].data(), static_cast<int>(kAlertKeys[i].size())));
        m_alerts[i]->setChecked(current.alerts[i]);
        alert_layout->addWidget(m_alerts[i]);
    }
    auto* fields = new QFormLayout;
    m_threshold->setText(QString::fromStdString(current.threshold));
    fields->addRow(QStringLiteral("Export threshold (W of production):"), m_threshold);
    m_battery_low->setText(QString::fromStdString(current.battery_low));
    fields->addRow(QStringLiteral("Low battery charge (%):"), m_battery_low);
    alert_layout->addLayout(fields);

    QHBoxLayout* buttons = SaveCloseButtons(
        this, [this] { Save(); },
        [this] {
            if (m_done) m_done();
        });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tray);
    layout->addWidget(m_close_to_tray);
    layout->addWidget(m_autostart);
    layout->addWidget(alerts);
    layout->addWidget(m_message);
    layout->addStretch();
    layout->addLayout(buttons);
}

void DesktopPage::Save() {
    DesktopForm form{m_tray->isChecked(),
                     m_close_to_tray->isChecked(),
                     m_autostart->isChecked(),
                     {},
                     m_threshold->text().toStdString(),
                     m_battery_low->text().toStdString()};
    for (std::size_t i = 0; i < kAlertKinds; ++i) form.alerts[i] = m_alerts[i]->isChecked();
    m_message->setText(QString::fromStdString(SaveDesktopForm(m_services, form)));
}

}  // namespace pelmora
