#include "TextAntialiasing.h"

#include <QtGlobal>

#include <memory>

namespace optara {

QByteArray textAntialiasing(FcConfig* config)
{
    const std::unique_ptr<FcPattern, decltype(&FcPatternDestroy)> pattern(FcPatternCreate(),
                                                                          &FcPatternDestroy);
    // Rules may match what is asked for or what a font is; a desktop's setting is often of the second kind.
    FcConfigSubstitute(config, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcConfigSubstitute(config, pattern.get(), FcMatchFont);
    int rgba = FC_RGBA_UNKNOWN;
    FcPatternGetInteger(pattern.get(), FC_RGBA, 0, &rgba);
    return rgba == FC_RGBA_RGB ? QByteArrayLiteral("subpixel") : QByteArrayLiteral("gray");
}

void followDesktopTextAntialiasing()
{
    qputenv("QSG_DISTANCEFIELD_ANTIALIASING", textAntialiasing());
}

} // namespace optara
