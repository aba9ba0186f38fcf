#pragma once

#include <QGuiApplication>

namespace optara {

// A Wayland compositor puts each window where it sees fit and ignores the
// position asked for.
inline bool compositorPlacesWindows()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

} // namespace optara
