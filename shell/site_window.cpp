#include "shell/site_window.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>

#include "history/chart_model.h"

namespace pelmora {

namespace {

constexpr int kMargin = 12;
constexpr int kTileWidth = 150;
constexpr int kTileHeight = 70;

}  // namespace

// Draws the content: each section's title and lines, the panels' tiles after theirs.
class SitePicture : public QWidget {
public:
    explicit SitePicture(QWidget* parent) : QWidget(parent) { setObjectName(QStringLiteral("SitePicture")); }

    void set_content(const SiteWindowView& content) {
        m_content = content;
        setMinimumHeight(layout_height(width()));
        update();
    }
    const SiteWindowView& content() const { return m_content; }

    // The height the content takes at `width`.
    int layout_height(int width) const {
        const int line = fontMetrics().height();
        int height = kMargin;
        for (const SiteWindowView::Section& section : m_content.sections) {
            height += line * (2 + static_cast<int>(section.lines.size()));
            if (section.title == "Panels" && !m_content.panels.empty()) height += tiles_height(width);
        }
        return height + kMargin;
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const int line = fontMetrics().height();
        int y = kMargin;
        QFont bold = font();
        bold.setBold(true);
        for (const SiteWindowView::Section& section : m_content.sections) {
            painter.setFont(bold);
            painter.drawText(kMargin, y + fontMetrics().ascent(), QString::fromStdString(section.title));
            painter.setFont(font());
            y += line;
            for (const std::string& text : section.lines) {
                painter.drawText(kMargin * 2, y + fontMetrics().ascent(), QString::fromStdString(text));
                y += line;
            }
            if (section.title == "Panels" && !m_content.panels.empty()) {
                draw_tiles(painter, y);
                y += tiles_height(width());
            }
            y += line;
        }
    }

private:
    int tiles_height(int width) const {
        const int columns = PanelColumns(width - 2 * kMargin, kTileWidth + 6);
        const int rows = (static_cast<int>(m_content.panels.size()) + columns - 1) / columns;
        return rows * (kTileHeight + 6) + 4;
    }

    void draw_tiles(QPainter& painter, int top) const {
        const int columns = PanelColumns(width() - 2 * kMargin, kTileWidth + 6);
        const QFontMetrics metrics = fontMetrics();
        for (std::size_t i = 0; i < m_content.panels.size(); ++i) {
            const PanelTile& tile = m_content.panels[i];
            const int column = static_cast<int>(i) % columns;
            const int row = static_cast<int>(i) / columns;
            const QRect box(kMargin * 2 + column * (kTileWidth + 6), top + 4 + row * (kTileHeight + 6), kTileWidth,
                            kTileHeight);
            painter.setPen(tile.silent ? QColor(200, 0, 0) : QColor(150, 150, 150));
            painter.setBrush(tile.silent ? QColor(255, 225, 225) : QColor(250, 250, 250));
            painter.drawRect(box);
            painter.setPen(Qt::black);
            const int x = box.left() + 6;
            int y = box.top() + 4 + metrics.ascent();
            painter.drawText(x, y, QString::fromStdString(tile.serial));
            painter.drawText(box.right() - 6 - metrics.horizontalAdvance(QString::fromStdString(tile.reported)), y,
                             QString::fromStdString(tile.reported));
            y += metrics.height();
            QFont bold = font();
            bold.setBold(true);
            painter.setFont(bold);
            painter.drawText(x, y, QString::fromStdString(tile.watts));
            painter.setFont(font());
            y += 4;
            const QRect bar(x, y, kTileWidth - 12, 8);
            painter.fillRect(bar, QColor(225, 225, 225));
            painter.fillRect(QRect(bar.left(), bar.top(), static_cast<int>(bar.width() * tile.fraction), bar.height()),
                             QColor(230, 150, 0));
            y += 8 + metrics.ascent() + 2;
            painter.drawText(x, y, QString::fromStdString(tile.largest));
        }
    }

    SiteWindowView m_content;
};

SiteWindow::SiteWindow(SettingsStore& settings, QWidget* parent)
    : QScrollArea(parent), m_settings(settings), m_picture(new SitePicture(this)) {
    setWindowFlags(Qt::Window);
    setObjectName(QStringLiteral("SiteWindow"));
    setWindowTitle(QStringLiteral("Pelmora site"));
    setWidget(m_picture);
    setWidgetResizable(true);
    const QRect room = screen()->availableGeometry();
    const HistoryPlace place =
        KeptHistoryPlace(settings, room.width(), room.height(), room.right(), room.bottom(), kSiteSection);
    resize(place.width, place.height);
    if (place.left && place.top) move(*place.left, *place.top);
}

void SiteWindow::Open(const SiteWindowView& content) {
    Draw(content);
    if (m_place) move(*m_place);
    show();
    raise();
    activateWindow();
}

void SiteWindow::Draw(const SiteWindowView& content) { m_picture->set_content(content); }

const SiteWindowView& SiteWindow::content() const { return m_picture->content(); }

void SiteWindow::closeEvent(QCloseEvent* event) {
    m_place = pos();
    SaveWindowPlace(m_settings, kSiteSection, width(), height(), x(), y());
    event->accept();
}

void SiteWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QScrollArea::keyPressEvent(event);
}

void SiteWindow::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    m_picture->setMinimumHeight(m_picture->layout_height(viewport()->width()));
}

}  // namespace pelmora
