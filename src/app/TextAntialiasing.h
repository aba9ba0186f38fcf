#pragma once

#include <QByteArray>

#include <fontconfig/fontconfig.h>

namespace optara {

// How Qt Quick smooths the edges of its text, as fontconfig describes the screen:
// "subpixel" where it names horizontal RGB sub-pixels, the one order Qt Quick's
// text draws, and "gray" otherwise, unset included. Qt Quick's own default is
// sub-pixel whatever the screen. The configuration is fontconfig's current one
// unless one is given.
QByteArray textAntialiasing(FcConfig* config = nullptr);

// Sets Qt Quick's text smoothing to textAntialiasing(); before the first window.
void followDesktopTextAntialiasing();

} // namespace optara
