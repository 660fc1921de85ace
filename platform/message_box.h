#pragma once

#include <string>

namespace pelmora {

inline constexpr unsigned MB_OK = 0x0;
inline constexpr unsigned MB_ICONINFORMATION = 0x40;

// A modal message box; returns once the user has closed it.
class MessageBox {
public:
    virtual ~MessageBox() = default;
    virtual void Show(const std::string& text, const std::string& title, unsigned style) = 0;
    // A modal question with Yes and No; true for Yes.
    virtual bool AskYesNo(const std::string& text, const std::string& title) {
        (void)text;
        (void)title;
        return false;
    }
};

}  // namespace pelmora
