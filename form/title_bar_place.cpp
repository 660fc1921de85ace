#include "form/title_bar_place.h"

#include <algorithm>

namespace pelmora {

DesktopRect TitleBarOnArea(DesktopRect window, DesktopRect area, int title, int grasp) {
    if (area.width <= 0 || area.height <= 0) return window;
    grasp = std::min({grasp, area.width, std::max(window.width, 1)});
    title = std::min(title, area.height);
    const long long lowest_left = static_cast<long long>(area.left) + grasp - std::max(window.width, grasp);
    const long long highest_left = static_cast<long long>(area.left) + area.width - grasp;
    const long long highest_top = static_cast<long long>(area.top) + area.height - title;
    window.left = static_cast<int>(std::clamp<long long>(window.left, lowest_left, highest_left));
    window.top = static_cast<int>(std::clamp<long long>(window.top, area.top, highest_top));
    return window;
}

}  // namespace pelmora
