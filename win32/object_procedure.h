#pragma once

// Included after <windows.h>.

namespace pelmora {

// The window procedure of a window made with its object as the creation
// parameter: the object is kept with the window at WM_NCCREATE, and each
// message goes to its Message() once the object holds its handle; before
// that, the default procedure answers.
template <class Object>
LRESULT CALLBACK ObjectProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* object = reinterpret_cast<Object*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (object == nullptr || object->handle() == 0) return DefWindowProcW(window, message, wparam, lparam);
    return object->Message(message, wparam, lparam);
}

}  // namespace pelmora
