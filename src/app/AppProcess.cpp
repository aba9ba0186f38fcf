#include "AppProcess.h"

#include "ProcessMemory.h"
#include "ReadOnlySession.h"
#include "RendererChoice.h"
#include "TextAntialiasing.h"

#include <QCoreApplication>
#include <QString>

namespace optara {

void prepareAppProcess()
{
    configureHeaps();
    prepareReadOnlySession();
    followDesktopTextAntialiasing();
}

void prepareApp()
{
    chooseRenderer();
    QCoreApplication::setApplicationName(QStringLiteral("Optara"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("optara.app"));
}

} // namespace optara
