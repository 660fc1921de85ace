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

// Registers `name` as the class of windows whose procedure is
// ObjectProcedure<Object>, with the program's icon, the arrow cursor and
// the dialog colour behind them; `style` adds class styles (CS_DBLCLKS).
template <class Object>
void RegisterObjectClass(const wchar_t* name, UINT style = 0) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW type{};
    type.cbSize = sizeof type;
    type.style = style;
    type.lpfnWndProc = ObjectProcedure<Object>;
    type.hInstance = instance;
    type.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    type.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    type.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    type.lpszClassName = name;
    RegisterClassExW(&type);
}

}  // namespace pelmora
