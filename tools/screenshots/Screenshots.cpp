// Drives one real application window through its states and saves a PNG of
// each: optara_screenshots OUTDIR [PHOTO_FOLDER]. Without a folder of photos
// it writes made-up ones. Exits non-zero unless all five PNGs were written.
#include "AppViewModel.h"
#include "DragHelper.h"
#include "WindowDriver.h"
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

using namespace optara;
using namespace optara::driver;

namespace {

int written = 0;

// Saves the window once every spring and the default animation have settled;
// with `now`, at once.
void save(QQuickWindow* window, const QDir& out, const char* name, bool now = false)
{
    if (!now)
        QTest::qWait(800);
    const QString path = out.filePath(QString::fromLatin1(name) + QStringLiteral(".png"));
    if (!grab(window).save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return;
    }
    std::printf("%s\n", qPrintable(path));
    ++written;
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
    QTemporaryDir scratch;
    const QList<QUrl> photos = args.size() > 2
                                   ? QList<QUrl>{QUrl::fromLocalFile(QDir(args.at(2)).absolutePath())}
                                   : writePhotoTree(scratch.path().toStdString()).dropped;
    QQmlEngine engine;
    WindowManager windows(engine);
    QQuickWindow* window = windows.newWindow();
    if (!QDir().mkpath(out.path()) || window == nullptr || !waitShown(window))
        return 1;
    AppViewModel* model = WindowManager::viewModel(window);
    QQuickItem* zone = findItem(window, QStringLiteral("dropZone"));
    const QPointF centre(zone->width() / 2, zone->height() / 2);
    save(window, out, "dropzone-idle");

    DragHelper drag;
    drag.enter(zone, photos, centre);
    save(window, out, "dropzone-hovering");
    drag.leave(zone);
    QTest::qWait(800);

    // The moment the run starts: it cannot end before the event loop runs again.
    QObject::connect(
        model, &AppViewModel::isProcessingChanged, model,
        [&] { save(window, out, "processing-overlay", true); }, Qt::SingleShotConnection);
    drag.dragAndDrop(zone, photos, centre);
    const auto dashboardShown = [&] {
        return !model->isProcessing() && findItem(window, QStringLiteral("dashboard")) != nullptr;
    };
    if (QTest::qWaitFor(dashboardShown, 30000)) {
        // All of the dashboard, not only what the first window size shows.
        const qreal height = findItem(window, QStringLiteral("scroll"))->property("contentHeight").toReal();
        window->resize(1200, std::max(860, int(height)));
        save(window, out, "dashboard");
        // Photos always fill every list, so the empty state is shown by emptying one card in place.
        findItem(window, QStringLiteral("lensesCard"))
            ->setProperty("items", QVariant::fromValue(new optara::StatListModel(window)));
        save(window, out, "dashboard-empty-card");
    }
    if (written != 5)
        std::fprintf(stderr, "%d of 5 screenshots written\n", written);
    return written == 5 ? 0 : 1;
}
