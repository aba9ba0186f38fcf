#include "WindowManager.h"

#include <QApplication>
#include <QQmlEngine>

int main(int argc, char* argv[])
{
    // A widgets application, for the open panel.
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Optara"));
    QApplication::setOrganizationDomain(QStringLiteral("optara.app"));

    QQmlEngine engine;
    WindowManager windows(engine);
    if (windows.newWindow() == nullptr)
        return 1;
    return QApplication::exec();
}
