#pragma once

#include <QHBoxLayout>
#include <QString>
#include <functional>

class QWidget;

namespace pelmora {

// An Options page's Save and Close buttons, right-aligned, named for tests
// `save_name` and `close_name`, calling `save` and `close` when clicked.
QHBoxLayout* SaveCloseButtons(QWidget* page, std::function<void()> save, std::function<void()> close,
                              const QString& save_name = QStringLiteral("Save"),
                              const QString& close_name = QStringLiteral("Close"));

}  // namespace pelmora
