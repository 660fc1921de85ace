#pragma once

namespace pelmora {

// A rectangle on the desktop, in whatever unit its caller uses throughout.
struct DesktopRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    bool operator==(const DesktopRect&) const = default;
};

// Where a window restored at `window` goes so that its title bar (its top
// `title` units) lies on the work area `area` with at least `grasp` of its
// width, to be taken hold of: a monitor removed since, or a hand-edited
// Left of 900000, never leaves it out of reach. A window whose title bar
// lies so already stays where it is; the size never changes.
DesktopRect TitleBarOnArea(DesktopRect window, DesktopRect area, int title, int grasp);

}  // namespace pelmora
