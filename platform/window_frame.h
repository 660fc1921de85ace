#pragma once

#include <string>

#include "platform/window_system.h"

namespace pelmora {

// The main window as a whole: outer placement and size in twips, caption,
// native handle, visibility.
class WindowFrame {
public:
    virtual ~WindowFrame() = default;

    virtual int Left() const = 0;
    virtual int Top() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void SetLeft(int twips) = 0;
    virtual void SetTop(int twips) = 0;
    virtual void SetWidth(int twips) = 0;
    virtual void SetHeight(int twips) = 0;

    virtual std::string caption() const = 0;
    virtual void set_caption(const std::string& caption) = 0;
    virtual Hwnd handle() const = 0;
    virtual void show() = 0;
};

}  // namespace pelmora
