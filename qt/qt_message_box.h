#pragma once

#include "platform/message_box.h"

class QWidget;

namespace pelmora {

// A modal information box over the given window.
class QtMessageBox : public MessageBox {
public:
    explicit QtMessageBox(QWidget* parent = nullptr) : m_parent(parent) {}
    void set_parent(QWidget* parent) { m_parent = parent; }
    void Show(const std::string& text, const std::string& title, unsigned style) override;
    bool AskYesNo(const std::string& text, const std::string& title) override;

private:
    QWidget* m_parent;
};

}  // namespace pelmora
