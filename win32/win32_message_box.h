#pragma once

#include <cstdint>

#include "platform/message_box.h"

namespace pelmora {

// MessageBoxW over the owner window (none until one is set); texts are UTF-8.
class Win32MessageBox : public MessageBox {
public:
    void set_owner(std::uintptr_t window) { m_owner = window; }
    void Show(const std::string& text, const std::string& title, unsigned style) override;
    bool AskYesNo(const std::string& text, const std::string& title) override;

private:
    std::uintptr_t m_owner = 0;
};

}  // namespace pelmora
