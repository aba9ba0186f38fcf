// Drives one real application window through its states and saves a PNG of
// each: optara_screenshots OUTDIR [PHOTO_FOLDER]. Without a folder of photos
// it writes made-up ones. Exits non-zero unless all five PNGs were written.
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

#include <algorithm>
#include <cstdio>

using namespace optara::shell_testing;

namespace {

// Long enough for every spring and the default animation to settle.
constexpr int settleMs = 800;

int written = 0;

void save(QQuickWindow* window, const QDir& out, const char* name)
{
    const QString path = out.filePath(QString::fromLatin1(name) + QStringLiteral(".png"));
    if (!grab(window).save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return;
    }
    std::printf("%s\n", qPrintable(path));
    ++written;
}

// Drops the locations on the zone, saves the window as `overlayShot` the moment
// the run starts (it cannot end before the event loop runs again), and waits
// for the dashboard.
bool dropAndWait(QQuickWindow* window, const QList<QUrl>& urls, const QDir& out, const char* overlayShot)
{
    AppViewModel* model = WindowManager::viewModel(window);
    QObject::connect(
        model, &AppViewModel::isProcessingChanged, model, [=] { save(window, out, overlayShot); },
        Qt::SingleShotConnection);
    DragHelper drag;
    QQuickItem* zone = findItem(window, QStringLiteral("dropZone"));
    return zone != nullptr && drag.dragAndDrop(zone, urls, QPointF(zone->width() / 2, zone->height() / 2)) &&
           QTest::qWaitFor([model] { return !model->isProcessing(); }, 30000) &&
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
    const QList<QUrl> photos = args.size() > 2 ? QList<QUrl>{QUrl::fromLocalFile(QDir(args.at(2)).absolutePath())}
                                               : writePhotoTree(scratch.path().toStdString()).dropped;

    QQmlEngine engine;
    WindowManager windows(engine);
    QQuickWindow* window = windows.newWindow();
    if (window == nullptr || !waitShown(window))
        return 1;
    QTest::qWait(settleMs);
    save(window, out, "dropzone-idle");

    DragHelper hover;
    QQuickItem* zone = findItem(window, QStringLiteral("dropZone"));
    hover.enter(zone, photos, QPointF(zone->width() / 2, zone->height() / 2));
    QTest::qWait(settleMs);
    save(window, out, "dropzone-hovering");
    hover.leave(zone);
    QTest::qWait(settleMs);

    if (dropAndWait(window, photos, out, "processing-overlay")) {
        // All of the dashboard, not only what the first window size shows.
        const qreal height = findItem(window, QStringLiteral("scroll"))->property("contentHeight").toReal();
        window->resize(1200, std::max(860, int(height)));
        QTest::qWait(settleMs);
        save(window, out, "dashboard");
        // Photos always fill every list, so the empty state is shown by emptying one card in place.
        findItem(window, QStringLiteral("lensesCard"))->setProperty("items", QVariantList{});
        QTest::qWait(settleMs);
        save(window, out, "dashboard-empty-card");
    }
    if (written != 5)
        std::fprintf(stderr, "%d of 5 screenshots written\n", written);
    return written == 5 ? 0 : 1;
}
