#include "AppProcess.h"
#include "ProcessingRun.h"
#include "Translation.h"
#include "WindowManager.h"

#include <QApplication>
#include <QLocale>
#include <QQmlEngine>

#include <chrono>
#include <cstdlib>

int main(int argc, char* argv[])
{
    optara::prepareAppProcess();
    // A widgets application, for the open panel.
    QApplication app(argc, argv);
    optara::prepareApp();
    // The Wayland app id, by which docks find the desktop file.
    QGuiApplication::setDesktopFileName(QStringLiteral(OPTARA_APP_ID));

    const optara::Translation translation(QLocale::system());
    int status = 0;
    {
        QQmlEngine engine;
        optara::WindowManager windows(engine);
        if (windows.newWindow() == nullptr)
            return 1;
        status = QApplication::exec();
    }
    // Closing the windows has stopped their runs, each within a file. A read
    // on a share that stopped answering may never return; nothing is being
    // written, so the process can end without it.
    if (!optara::ProcessingRun::waitForReads(std::chrono::seconds(2)))
        std::_Exit(status);
    return status;
}
