#pragma once

#include <QDialog>

class QTabWidget;

namespace pelmora {

// The Options dialog: one page per subject, each with its own buttons.
class OptionsDialog : public QDialog {
public:
    explicit OptionsDialog(QWidget* parent = nullptr);
    void add_page(QWidget* page, const QString& title);

private:
    QTabWidget* m_pages;
};

}  // namespace pelmora
