// Drives one real application window through its states and saves a PNG of
// each: optara_screenshots OUTDIR [PHOTO_FOLDER]. Without a folder of photos
// it writes made-up ones.
#include "AppViewModel.h"
#include "DragHelper.h"
#include "ShellHarness.h"
#include "WindowManager.h"

#include <QApplication>
#include <QDir>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

using namespace optara::shell_testing;

namespace {

// Long enough for every spring and the default animation to settle.
constexpr int settleMs = 800;

bool save(QQuickWindow* window, const QDir& out, const char* name)
{
    QTest::qWait(settleMs);
    const QString path = out.filePath(QString::fromLatin1(name) + QStringLiteral(".png"));
    if (!grab(window).save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

// Hands the locations to the window as a drop and waits for the run to end.
// The first time the overlay shows, the window is saved as `overlayShot`.
bool dropAndWait(QQuickWindow* window, const QList<QUrl>& urls, const QDir& out, const char* overlayShot)
{
    AppViewModel* model = WindowManager::viewModel(window);
    QMetaObject::Connection onRun;
    if (overlayShot != nullptr) {
        onRun = QObject::connect(model, &AppViewModel::isProcessingChanged, [=] {
            if (model->isProcessing()) {
                const QString path = out.filePath(QString::fromLatin1(overlayShot) + QStringLiteral(".png"));
                if (grab(window).save(path))
                    std::printf("%s\n", qPrintable(path));
            }
        });
    }
    DragHelper drag;
    QQuickItem* zone = findItem(window, QStringLiteral("dropZone"));
    const bool dropped =
        zone != nullptr && drag.dragAndDrop(zone, urls, QPointF(zone->width() / 2, zone->height() / 2));
    const bool finished = dropped && QTest::qWaitFor([model] { return !model->isProcessing(); }, 30000);
    QObject::disconnect(onRun);
    return finished &&
           QTest::qWaitFor([window] { return findItem(window, QStringLiteral("dashboard")) != nullptr; });
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: optara_screenshots OUTDIR [PHOTO_FOLDER]\n");
        return 2;
    }
    const QDir out(args.at(1));
    if (!QDir().mkpath(out.path()))
        return 1;

    QTemporaryDir scratch;
    const PhotoTree madeUp = writePhotoTree(scratch.filePath(QStringLiteral("full")).toStdString());
    const PhotoTree bare = writePhotoTree(scratch.filePath(QStringLiteral("bare")).toStdString(), true);
    const QList<QUrl> photos =
        args.size() > 2 ? QList<QUrl>{QUrl::fromLocalFile(QDir(args.at(2)).absolutePath())} : madeUp.dropped;

    QQmlEngine engine;
    WindowManager windows(engine);
    QQuickWindow* window = windows.newWindow();
    if (window == nullptr || !waitShown(window))
        return 1;

    bool ok = save(window, out, "dropzone-idle");

    DragHelper hover;
    QQuickItem* zone = findItem(window, QStringLiteral("dropZone"));
    hover.enter(zone, photos, QPointF(zone->width() / 2, zone->height() / 2));
    ok = save(window, out, "dropzone-hovering") && ok;
    hover.leave(zone);

    // The dashboard is taller than the window's first size: show all of it.
    window->resize(1200, 1240);
    ok = dropAndWait(window, photos, out, "processing-overlay") && save(window, out, "dashboard") && ok;

    WindowManager::viewModel(window)->clearData();
    QTest::qWait(settleMs);
    ok = dropAndWait(window, bare.dropped, out, nullptr) && save(window, out, "dashboard-empty-card") && ok;
    return ok ? 0 : 1;
}
