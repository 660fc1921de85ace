#pragma once

#include <QScrollArea>
#include <optional>

#include "app/site_window_model.h"
#include "platform/settings_store.h"

namespace pelmora {

class SitePicture;

// The Site window: the batteries, the grid switch, the panels as tiles and
// the gateway, as the controller gives them. Escape closes it; its size and
// place are kept in [Site] as the History window keeps its own.
class SiteWindow : public QScrollArea {
public:
    explicit SiteWindow(SettingsStore& settings, QWidget* parent = nullptr);

    // Shows the window where it was when last closed in this run.
    void Open(const SiteWindowView& content);
    void Draw(const SiteWindowView& content);
    const SiteWindowView& content() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    SettingsStore& m_settings;
    SitePicture* m_picture;
    std::optional<QPoint> m_place;
};

}  // namespace pelmora
