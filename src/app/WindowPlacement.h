#pragma once

#include <QRect>
#include <QSize>

namespace optara {

// Where a new window opens and how small it may be made, on a screen's available
// area: the first one centred, each next one a step down and right of the last.
// Where the compositor places windows (Wayland) only the sizes apply.
struct WindowPlacement {
    QRect geometry;
    QSize minimumSize;

    // `previous` is the last window's geometry, or null for the first window.
    static WindowPlacement on(const QRect& available, const QRect& previous);
};

} // namespace optara
