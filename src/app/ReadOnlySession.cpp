#include "ReadOnlySession.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSettings>

namespace optara {

void prepareReadOnlySession()
{
    // Qt Quick and Mesa cache compiled shaders under XDG_CACHE_HOME; Mesa reads
    // its switch as the first GL context is made.
    QCoreApplication::setAttribute(Qt::AA_DisableShaderDiskCache);
    qputenv("MESA_SHADER_CACHE_DISABLE", "true");
    // Qt's file dialog saves its folder history through QSettings as it closes.
    for (const auto format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, QStringLiteral("/dev/null"));
    // With no session bus, libdbus starts one for the X display, writes its
    // address under ~/.dbus and leaves it running after the app quits. Screen
    // readers reach apps through a session's own bus, or AT_SPI_BUS_ADDRESS,
    // which Qt still follows.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") &&
        (runtime.isEmpty() || !QFileInfo::exists(runtime + QStringLiteral("/bus"))))
        qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    // Qt looks for a runtime folder as it starts, and makes one where there is none:
    // XDG_RUNTIME_DIR's, else runtime-USER in the temporary folder. Without a session's
    // runtime folder the app has no use for either: with none named, and a temporary
    // folder that cannot hold a folder, none is made.
    if (!QFileInfo(runtime).isDir()) {
        qunsetenv("XDG_RUNTIME_DIR");
        qputenv("TMPDIR", "/dev/null");
    }
}

} // namespace optara
