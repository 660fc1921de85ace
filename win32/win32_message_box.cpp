#include "win32/win32_message_box.h"

#include <windows.h>

#include "win32/utf16.h"

namespace pelmora {

void Win32MessageBox::Show(const std::string& text, const std::string& title, unsigned style) {
    MessageBoxW(reinterpret_cast<HWND>(m_owner), Utf16(text).c_str(), Utf16(title).c_str(), style);
}

bool Win32MessageBox::AskYesNo(const std::string& text, const std::string& title) {
    return MessageBoxW(reinterpret_cast<HWND>(m_owner), Utf16(text).c_str(), Utf16(title).c_str(),
                       MB_YESNO | MB_ICONQUESTION) == IDYES;
}

}  // namespace pelmora
