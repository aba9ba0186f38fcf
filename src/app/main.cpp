#include "Translation.h"
#include "WindowManager.h"

#include <QApplication>
#include <QLocale>
#include <QQmlEngine>

int main(int argc, char* argv[])
{
    // A widgets application, for the open panel.
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Optara"));
    QApplication::setOrganizationDomain(QStringLiteral("optara.app"));

    const Translation translation(QLocale::system());
    QQmlEngine engine;
    WindowManager windows(engine);
    if (windows.newWindow() == nullptr)
        return 1;
    return QApplication::exec();
}
