#include "shell/pelmora_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <utility>

#include "qt/qt_colour.h"
#include "form/window_design.h"
#include "readings/number_text.h"
#include "readings/pelmora_read.h"
#include "shell/gateway_page.h"
#include "form/settings.h"
#include "form/title_bar_place.h"
#include "records/stored_value.h"
#include "shell/options_dialog.h"
#include "shell/tariff_page.h"
#include "desktop/tray_text.h"
#include "site/site_text.h"

namespace pelmora {

namespace {

int to_pixels(int twips) { return static_cast<int>(std::lround(twips / static_cast<double>(kTwipsPerPixel))); }

QFont design_font(ControlFont font) {
    // MS Sans Serif where the system has it, else the closest sans-serif.
    QFont f;
    f.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                   QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")});
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(font == ControlFont::Bold975 ? 9.75 : 8.25);
    f.setBold(font != ControlFont::Default);
    return f;
}

QString q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

QIcon ApplicationIcon() {
    QIcon icon;
    // Every size drawn, so that the icon is sharp at any scale.
    for (int size : {16, 20, 24, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/pelmora/icons/pelmora-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

Pelmorafrm::Pelmorafrm(const ShellServices& services, StartInfo start, QWidget* parent)
    : QWidget(parent),
      m_services(services),
      m_system(*this),
      m_timer(new QTimer(this)),
      m_controller(services, std::move(start), MainWindowParts{*this, *this, *this, *this, m_system, *this},
                   &std::cerr) {
    setObjectName(QStringLiteral("Pelmorafrm"));
    m_caption = std::string(kDesignCaption);
    setWindowTitle(q(m_caption));
    setWindowIcon(ApplicationIcon());
    m_system.set_check_marks([this](std::uintptr_t id) -> std::optional<bool> {
        if (id == kStayOnTopCommand) return globals().OnTopFlag;
        return std::nullopt;
    });
    setFont(design_font(ControlFont::Default));
    resize(to_pixels(kDesignClientWidth), to_pixels(kDesignClientHeight));
    build_controls();

    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, [this] { Timer1_Timer(); });
    m_timer->start();
}

Pelmorafrm::~Pelmorafrm() = default;

void Pelmorafrm::build_controls() {
    QWidget* previous = nullptr;
    for (const ControlDesign& d : MainWindowDesign()) {
        if (d.kind == ControlKind::Timer) continue;
        QWidget* widget = nullptr;
        const QString text = QString::fromUtf8(d.text.data(), static_cast<int>(d.text.size()));
        switch (d.kind) {
            case ControlKind::TextBox: {
                auto* edit = new QLineEdit(text, this);
                // The Amps boxes are taller than the others of their row: their
                // figures keep to the row's line rather than sit lower.
                const bool taller_in_band = d.top >= kPhaseRowTop && d.height > kPhaseBoxHeight;
                if (d.right_aligned)
                    edit->setAlignment(Qt::AlignRight | (taller_in_band ? Qt::AlignTop : Qt::AlignVCenter));
                edit->installEventFilter(this);
                widget = edit;
                break;
            }
            case ControlKind::Label: {
                auto* label = new QLabel(text, this);
                label->setTextFormat(Qt::PlainText);  // keeps runs of blanks
                label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
                widget = label;
                break;
            }
            case ControlKind::CheckBox: {
                auto* box = new QCheckBox(text, this);
                connect(box, &QCheckBox::stateChanged, this, [this] { CreateOutputchk_Click(); });
                widget = box;
                break;
            }
            case ControlKind::CommandButton: {
                auto* button = new QPushButton(text, this);
                if (d.name == "Startbtn") connect(button, &QPushButton::clicked, this, [this] { Startbtn_Click(); });
                if (d.name == "Stopbtn") connect(button, &QPushButton::clicked, this, [this] { Stopbtn_Click(); });
                widget = button;
                break;
            }
            case ControlKind::Timer: break;
        }
        const std::string name(d.name);
        widget->setObjectName(q(name));
        widget->setGeometry(to_pixels(d.left), to_pixels(d.top), to_pixels(d.width), to_pixels(d.height));
        widget->setFont(design_font(d.font));
        if (!d.tooltip.empty())
            widget->setToolTip(QString::fromUtf8(d.tooltip.data(), static_cast<int>(d.tooltip.size())));
        m_design_palettes[name] = widget->palette();
        m_controls[name] = widget;
        if (d.back_color) set_back_color(name, *d.back_color);
        if (!d.visible) widget->setVisible(false);
        if (widget->focusPolicy() != Qt::NoFocus) {
            if (previous != nullptr) QWidget::setTabOrder(previous, widget);
            previous = widget;
        }
    }
}

QWidget* Pelmorafrm::control(std::string_view name) const {
    auto it = m_controls.find(name);
    return it == m_controls.end() ? nullptr : it->second;
}

void Pelmorafrm::add_site_row() {
    for (const ControlDesign& a : SiteRowDesign()) {
        QWidget* widget = nullptr;
        const QString text = QString::fromUtf8(a.text.data(), static_cast<int>(a.text.size()));
        if (a.kind == ControlKind::TextBox) {
            auto* edit = new QLineEdit(text, this);
            edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            edit->setReadOnly(true);
            edit->setFont(design_font(a.font));
            widget = edit;
        } else {
            auto* label = new QLabel(text, this);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            label->setFont(design_font(a.font));
            widget = label;
        }
        const std::string name(a.name);
        widget->setObjectName(QString::fromStdString(name));
        widget->setGeometry(to_pixels(a.left), to_pixels(a.top), to_pixels(a.width), to_pixels(a.height));
        m_design_palettes[name] = widget->palette();
        m_controls[name] = widget;
    }
}

void Pelmorafrm::show_site_row(bool shown) {
    if (shown == m_battery_row) return;
    if (control("Battery") == nullptr) add_site_row();
    const int shift = shown ? kSiteRowHeight : -kSiteRowHeight;
    const int frame_height = Height();
    for (const ControlDesign& d : MainWindowDesign()) {
        if (d.kind == ControlKind::Timer || d.top < kSiteRowTop) continue;
        if (QWidget* w = control(d.name)) w->move(w->x(), w->y() + to_pixels(shift));
    }
    for (const ControlDesign& a : SiteRowDesign()) control(a.name)->setVisible(shown);
    m_battery_row = shown;
    SetHeight(frame_height);
}

void Pelmorafrm::set_box_visible(std::string_view box, bool shown) {
    if (QWidget* w = control(box)) w->setVisible(shown);
}

void Pelmorafrm::defer(std::function<void()> later) { QTimer::singleShot(0, this, std::move(later)); }

HistoryWindow& Pelmorafrm::open_history() {
    if (!m_history_window) m_history_window = std::make_unique<HistoryWindow>(*m_services.history, m_services.settings);
    m_history_window->Open();
    return *m_history_window;
}

void Pelmorafrm::show_site(const SiteWindowView& content) {
    if (!m_site_window) m_site_window = std::make_unique<SiteWindow>(m_services.settings);
    m_site_window->Open(content);
}

void Pelmorafrm::draw_site(const SiteWindowView& content) {
    if (m_site_window && m_site_window->isVisible()) m_site_window->Draw(content);
}

void Pelmorafrm::close_site() {
    if (m_site_window) m_site_window->close();
}

void Pelmorafrm::close_history() {
    if (m_history_window) m_history_window->close();
}

void Pelmorafrm::open_options(const OptionsContent& content) {
    OptionsDialog dialog(this);
    if (content.access != nullptr) {
        auto* gateway = new GatewayPage(*content.access, content.mode);
        gateway->on_done([&dialog](bool) { dialog.done(0); });
        dialog.add_page(gateway, QStringLiteral("Gateway"));
    }
    if (content.publish != nullptr) {
        auto* publish = new PublishPage(*content.publish, content.address);
        publish->on_done([&dialog] { dialog.done(0); });
        dialog.add_page(publish, QStringLiteral("Publish"));
    }
    if (content.desktop) {
        auto* page = new DesktopPage(*content.desktop);
        page->on_done([&dialog] { dialog.done(0); });
        dialog.add_page(page, QStringLiteral("Desktop"));
    }
    if (content.tariff != nullptr) {
        auto* page = new TariffPage(*content.tariff);
        page->on_done([&dialog] { dialog.done(0); });
        dialog.add_page(page, QStringLiteral("Tariff"));
    }
    dialog.exec();
}

void Pelmorafrm::show_in_front() {
    showNormal();
    raise();
    activateWindow();
}

std::string Pelmorafrm::text(std::string_view name) const {
    QWidget* w = control(name);
    if (auto* edit = qobject_cast<QLineEdit*>(w)) return edit->text().toStdString();
    if (auto* label = qobject_cast<QLabel*>(w)) return label->text().toStdString();
    if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->text().toStdString();
    return std::string();
}

void Pelmorafrm::set_text(std::string_view name, const std::string& value) {
    QWidget* w = control(name);
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        edit->setText(q(value));
        edit->setCursorPosition(0);
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
        label->setText(q(value));
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        button->setText(q(value));
    }
}

OleColor Pelmorafrm::back_color(std::string_view name) const {
    auto it = m_back_colors.find(name);
    return it == m_back_colors.end() ? kWindowBackground : it->second;
}

void Pelmorafrm::set_back_color(std::string_view name, OleColor color) {
    QWidget* w = control(name);
    if (w == nullptr) return;
    const std::string key(name);
    m_back_colors[key] = color;
    QPalette palette = m_design_palettes[key];
    // A system colour (high bit set) is the platform's own base colour.
    if ((color & 0x80000000u) == 0) {
        palette.setColor(QPalette::Base, QtColour(color));
        palette.setColor(QPalette::Window, QtColour(color));
    }
    w->setPalette(palette);
}

std::string Pelmorafrm::tooltip(std::string_view name) const {
    QWidget* w = control(name);
    return w ? w->toolTip().toStdString() : std::string();
}

void Pelmorafrm::set_tooltip(std::string_view name, const std::string& text) {
    if (QWidget* w = control(name)) w->setToolTip(q(text));
}

int Pelmorafrm::value(std::string_view name) const {
    auto* box = qobject_cast<QCheckBox*>(control(name));
    if (box == nullptr) return 0;
    switch (box->checkState()) {
        case Qt::Unchecked: return 0;
        case Qt::Checked: return 1;
        case Qt::PartiallyChecked: return 2;
    }
    return 0;
}

void Pelmorafrm::set_value(std::string_view name, int value) {
    auto* box = qobject_cast<QCheckBox*>(control(name));
    if (box == nullptr) return;
    if (value == 2) box->setTristate(true);
    box->setCheckState(value == 1 ? Qt::Checked : value == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
}

bool Pelmorafrm::frame_known() const {
    return frameGeometry().width() > geometry().width() || frameGeometry().height() > geometry().height();
}

QSize Pelmorafrm::frame_extra() const {
    // Before the platform reports a frame, the design frame of 240 x 585 twips.
    if (!frame_known()) return QSize(to_pixels(kDesignFrameWidth), to_pixels(kDesignFrameHeight));
    return frameGeometry().size() - geometry().size();
}

void Pelmorafrm::apply_pending_size() {
    if (!frame_known()) return;
    const std::optional<int> width = std::exchange(m_pending_width, std::nullopt);
    const std::optional<int> height = std::exchange(m_pending_height, std::nullopt);
    if (width) SetWidth(*width);
    if (height) SetHeight(*height);
}

void Pelmorafrm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    apply_pending_size();
}

void Pelmorafrm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int design_client_width = Width() - kDesignFrameWidth;
    for (const ControlDesign& d : MainWindowDesign()) {
        if (d.kind == ControlKind::Timer || !d.visible || d.left < kSettingsColumnLeft) continue;
        if (QWidget* w = control(d.name)) w->setVisible(design_client_width > d.left);
    }
}

void Pelmorafrm::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    apply_pending_size();
}

int Pelmorafrm::Left() const { return frameGeometry().x() * kTwipsPerPixel; }
int Pelmorafrm::Top() const { return frameGeometry().y() * kTwipsPerPixel; }
int Pelmorafrm::Width() const { return (width() + frame_extra().width()) * kTwipsPerPixel; }
// The battery row is the window's own: the frame's height, as the menu, the
// settings and the thresholds see it, leaves it out.
int Pelmorafrm::Height() const {
    return (height() + frame_extra().height()) * kTwipsPerPixel - (m_battery_row ? kSiteRowHeight : 0);
}

void Pelmorafrm::SetLeft(int twips) { move(to_pixels(twips), frameGeometry().y()); }
void Pelmorafrm::SetTop(int twips) { move(frameGeometry().x(), to_pixels(twips)); }

void Pelmorafrm::SetWidth(int twips) {
    if (isMaximized() || isMinimized()) return;
    if (!frame_known()) m_pending_width = twips;
    resize(std::max(1, to_pixels(twips) - frame_extra().width()), height());
}

void Pelmorafrm::SetHeight(int twips) {
    if (isMaximized() || isMinimized()) return;
    if (!frame_known()) m_pending_height = twips;
    resize(width(), std::max(1, to_pixels(twips + (m_battery_row ? kSiteRowHeight : 0)) - frame_extra().height()));
}

std::string Pelmorafrm::caption() const { return m_caption; }
void Pelmorafrm::set_caption(const std::string& caption) {
    m_caption = caption;
    setWindowTitle(q(m_controller.ShownCaption(caption)));
}

Hwnd Pelmorafrm::handle() const { return reinterpret_cast<Hwnd>(this); }
void Pelmorafrm::show() { QWidget::show(); }

bool Pelmorafrm::enabled() const { return m_timer->isActive(); }

void Pelmorafrm::set_enabled(bool enabled) {
    if (enabled == m_timer->isActive()) return;
    if (enabled) {
        m_timer->start();
    } else {
        m_timer->stop();
    }
}

int Pelmorafrm::interval() const { return m_timer->interval(); }
void Pelmorafrm::set_interval(int milliseconds) { m_timer->setInterval(milliseconds); }
void Pelmorafrm::restart() {
    if (m_timer->isActive()) m_timer->start();
}

void Pelmorafrm::post_tick() {
    QTimer::singleShot(0, this, [this] {
        if (m_timer->isActive()) Timer1_Timer();
    });
}

void Pelmorafrm::process_pending_events() { QCoreApplication::processEvents(); }

namespace {

// The primary screen's whole or available area in twips; 0 by 0 without a screen.
ScreenSize primary_screen(bool available_only) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return ScreenSize{};
    const QRect area = available_only ? screen->availableGeometry() : screen->geometry();
    return ScreenSize{area.width() * kTwipsPerPixel, area.height() * kTwipsPerPixel};
}

}  // namespace

ScreenSize Pelmorafrm::screen_size(bool work_area) const { return primary_screen(work_area); }

void Pelmorafrm::keep_title_bar_on_screen() {
    const QRect frame = frameGeometry();
    const int title = std::max(frame.height() - geometry().height(), 20);
    const QPoint grip(frame.center().x(), frame.top() + title / 2);
    // The screen under the title bar, or the one nearest to it.
    const QScreen* nearest = QGuiApplication::screenAt(grip);
    int distance = 0;
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (QGuiApplication::screenAt(grip) != nullptr) break;
        const QRect area = screen->availableGeometry();
        const QPoint inside(std::clamp(grip.x(), area.left(), area.right()),
                            std::clamp(grip.y(), area.top(), area.bottom()));
        const int away = (inside - grip).manhattanLength();
        if (nearest == nullptr || away < distance) {
            nearest = screen;
            distance = away;
        }
    }
    if (nearest == nullptr) return;
    const QRect area = nearest->availableGeometry();
    const DesktopRect placed = TitleBarOnArea({frame.x(), frame.y(), frame.width(), frame.height()},
                                              {area.x(), area.y(), area.width(), area.height()}, title, 100);
    if (placed.left != frame.x() || placed.top != frame.y()) move(placed.left, placed.top);
}

void Pelmorafrm::closeEvent(QCloseEvent* event) {
    if (m_controller.Closing() == WindowController::CloseStep::HideInTray) {
        // Hidden in the tray, still polling; Quit ends the program.
        QWidget::hide();
        event->ignore();
        return;
    }
    event->accept();
}

void Pelmorafrm::contextMenuEvent(QContextMenuEvent* event) {
    m_system.popup_menu(event->globalPos());
    event->accept();
}

bool Pelmorafrm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == control("Delay") && event->type() == QEvent::FocusOut) {
        // Only a move to another control of this window applies the typed
        // delay; a menu, a dialog or another window taking the focus does not.
        const QWidget* next = QApplication::focusWidget();
        if (next != nullptr && next != watched && isAncestorOf(next)) Delay_LostFocus();
    } else if (event->type() == QEvent::MouseButtonDblClick) {
        if (watched == control("Grid")) Grid_DblClick();
        if (watched == control("IP")) IP_DblClick();
    } else if (event->type() == QEvent::ContextMenu &&
               static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard) {
        // The Menu key opens the window menu from any box.
        m_system.popup_menu(mapToGlobal(QPoint(0, 0)));
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace pelmora
