#include "shell/tray_icon.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QSystemTrayIcon>

#include "qt/qt_colour.h"
#include "shell/pelmora_window.h"

namespace pelmora {

namespace {

// The program's icon with a disc of `colour` in its lower right quarter.
QIcon coloured_icon(OleColor colour) {
    QPixmap pixmap = ApplicationIcon().pixmap(64, 64);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(40, 40, 40), 3));
    painter.setBrush(QtColour(colour));
    painter.drawEllipse(QRectF(30, 30, 32, 32));
    painter.end();
    return QIcon(pixmap);
}

}  // namespace

QtTrayIcon::QtTrayIcon(TrayActions actions)
    : m_actions(std::move(actions)), m_icon(new QSystemTrayIcon(this)), m_menu(new QMenu) {
    m_icon->setIcon(ApplicationIcon());
    m_icon->setToolTip(QStringLiteral("Pelmora"));
    m_show_hide = m_menu->addAction(QStringLiteral("Show"), [this] { m_actions.show_or_hide(); });
    m_start_stop = m_menu->addAction(QStringLiteral("Stop"), [this] { m_actions.start_or_stop(); });
    if (m_actions.history) m_menu->addAction(QStringLiteral("History..."), [this] { m_actions.history(); });
    if (m_actions.options) m_menu->addAction(QStringLiteral("Options..."), [this] { m_actions.options(); });
    m_menu->addSeparator();
    m_menu->addAction(QStringLiteral("Quit"), [this] { m_actions.quit(); });
    connect(m_menu, &QMenu::aboutToShow, this, [this] { refresh_menu(); });
    m_icon->setContextMenu(m_menu);
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger) m_actions.show_or_hide();
    });
}

QtTrayIcon::~QtTrayIcon() { delete m_menu; }

void QtTrayIcon::refresh_menu() {
    m_show_hide->setText(m_actions.shown() ? QStringLiteral("Hide") : QStringLiteral("Show"));
    m_start_stop->setText(m_actions.polling() ? QStringLiteral("Stop") : QStringLiteral("Start"));
}

bool QtTrayIcon::available() const { return QSystemTrayIcon::isSystemTrayAvailable(); }

void QtTrayIcon::set_visible(bool visible) { m_icon->setVisible(visible); }

bool QtTrayIcon::visible() const { return m_icon->isVisible(); }

void QtTrayIcon::set_tooltip(const std::string& text) { m_icon->setToolTip(QString::fromStdString(text)); }

void QtTrayIcon::set_colour(OleColor colour) {
    if (m_colour == colour) return;
    m_colour = colour;
    m_icon->setIcon(coloured_icon(colour));
}

}  // namespace pelmora
