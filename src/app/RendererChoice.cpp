#include "RendererChoice.h"

#include <QDir>
#include <QFileInfo>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QQuickWindow>

namespace optara {

namespace {

// Mesa reaches a GPU only through a DRM render node, NVIDIA's driver through
// its own device. Without either, OpenGL can only draw in software, and asking
// it would load the software rasteriser for nothing (over 100 ms).
bool hasGpuDevice()
{
    return !QDir(QStringLiteral("/dev/dri"), QStringLiteral("renderD*"), QDir::NoSort, QDir::System)
                .isEmpty() ||
           QFileInfo::exists(QStringLiteral("/dev/nvidiactl"));
}

QByteArray openGLRenderer()
{
    QOpenGLContext context;
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!context.create() || !context.makeCurrent(&surface))
        return {};
    const QByteArray renderer(reinterpret_cast<const char*>(context.functions()->glGetString(GL_RENDERER)));
    context.doneCurrent();
    return renderer;
}

} // namespace

bool drawsInSoftware(QByteArrayView renderer)
{
    if (renderer.isEmpty())
        return true;
    const QByteArray name = renderer.toByteArray().toLower();
    for (const char* software : {"llvmpipe", "softpipe", "swrast", "software rasterizer"})
        if (name.contains(software))
            return true;
    return false;
}

void chooseRenderer()
{
    if (!qEnvironmentVariableIsSet("QT_QUICK_BACKEND") &&
        drawsInSoftware(hasGpuDevice() ? openGLRenderer() : QByteArray()))
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
}

} // namespace optara
