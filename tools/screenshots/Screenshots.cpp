// Drives one real application window through its states and saves a PNG of
// each: optara_screenshots OUTDIR [PHOTO_FOLDER] [--against DIR]. Without a
// folder of photos it writes made-up ones. With --against, each state is
// compared with DIR's PNG of it, taken under another renderer: outside the
// text, every pixel must match. Exits non-zero unless all five PNGs were
// written and matched.
#include "AppViewModel.h"
#include "DragHelper.h"
#include "WindowDriver.h"
#include "WindowManager.h"

#include <QApplication>
#include <QDir>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QRegion>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>

using namespace optara;
using namespace optara::driver;

namespace {

int written = 0;
std::optional<QDir> against;

// Where the window draws text, in its pixels: renderers smooth glyph edges each
// their own way, or place whole glyphs a pixel apart.
QRegion textArea(QQuickItem* item, qreal scale)
{
    QRegion area;
    if (!item->isVisible() || item->opacity() == 0)
        return area;
    if (item->inherits("QQuickText")) {
        // The painted text, which may overflow the item, and the item, in whose padding Qt paints it.
        const QRectF rect =
            item->mapRectToScene(item->boundingRect() | QRectF(0, 0, item->width(), item->height()));
        area += QRectF(rect.topLeft() * scale, rect.size() * scale).toAlignedRect().adjusted(-1, -1, 1, 1);
    }
    for (QQuickItem* child : item->childItems())
        area += textArea(child, scale);
    return area;
}

// Pixels outside the text that differ from the reference in any channel by more than rounding.
int differingPixels(const QImage& image, const QImage& reference, const QRegion& text)
{
    if (image.size() != reference.size())
        return image.width() * image.height();
    const QImage a = image.convertToFormat(QImage::Format_ARGB32);
    const QImage b = reference.convertToFormat(QImage::Format_ARGB32);
    constexpr int rounding = 2;
    int differing = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            differing +=
                !text.contains(QPoint(x, y)) &&
                std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                          std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))}) > rounding;
        }
    return differing;
}

// Saves the window once every spring and the default animation have settled;
// with `now`, at once.
void save(QQuickWindow* window, const QDir& out, const char* name, bool now = false)
{
    if (!now)
        QTest::qWait(800);
    const QString file = QString::fromLatin1(name) + QStringLiteral(".png");
    const QImage image = grab(window);
    if (!image.save(out.filePath(file))) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(out.filePath(file)));
        return;
    }
    std::printf("%s\n", qPrintable(out.filePath(file)));
    if (against) {
        const int differing =
            differingPixels(image, QImage(against->filePath(file)),
                            textArea(window->contentItem(), window->effectiveDevicePixelRatio()));
        if (differing > 0) {
            std::fprintf(stderr, "%s: %d pixels differ outside the text\n", name, differing);
            return;
        }
    }
    ++written;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QStringList args = QApplication::arguments();
    if (const qsizetype at = args.indexOf(QStringLiteral("--against")); at > 0 && at + 1 < args.size()) {
        against = QDir(args.at(at + 1));
        args.remove(at, 2);
    }
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: optara_screenshots OUTDIR [PHOTO_FOLDER] [--against DIR]\n");
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
        std::fprintf(stderr, "%d of 5 screenshots written%s\n", written, against ? " and matched" : "");
    return written == 5 ? 0 : 1;
}
