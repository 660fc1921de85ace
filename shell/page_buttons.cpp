#include "shell/page_buttons.h"

#include <QPushButton>

namespace pelmora {

QHBoxLayout* SaveCloseButtons(QWidget* page, std::function<void()> save, std::function<void()> close,
                              const QString& save_name, const QString& close_name) {
    auto* save_button = new QPushButton(QStringLiteral("Save"), page);
    auto* close_button = new QPushButton(QStringLiteral("Close"), page);
    save_button->setObjectName(save_name);
    close_button->setObjectName(close_name);
    QObject::connect(save_button, &QPushButton::clicked, page, std::move(save));
    QObject::connect(close_button, &QPushButton::clicked, page, std::move(close));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(save_button);
    buttons->addWidget(close_button);
    return buttons;
}

}  // namespace pelmora
