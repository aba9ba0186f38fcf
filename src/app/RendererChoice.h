#pragma once

#include <QByteArrayView>

namespace optara {

// Whether an OpenGL renderer, as its GL_RENDERER string names it, draws in
// software: Mesa's llvmpipe, softpipe and swrast. An empty name, where no
// OpenGL context could be made, counts as software too.
bool drawsInSoftware(QByteArrayView renderer);

// Qt Quick's renderer for every window, chosen once the application object is
// made and before the first window: the software scene graph, which repaints
// only what changed, where no GPU draws; Qt's default, OpenGL, where one does.
// A backend the user set in QT_QUICK_BACKEND wins.
void chooseRenderer();

} // namespace optara
