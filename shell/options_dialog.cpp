#include "shell/options_dialog.h"

#include <QTabWidget>
#include <QVBoxLayout>

namespace pelmora {

OptionsDialog::OptionsDialog(QWidget* parent) : QDialog(parent), m_pages(new QTabWidget(this)) {
    setObjectName(QStringLiteral("OptionsDialog"));
    setWindowTitle(QStringLiteral("Options"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pages);
    resize(560, 360);
}

void OptionsDialog::add_page(QWidget* page, const QString& title) { m_pages->addTab(page, title); }

}  // namespace pelmora
