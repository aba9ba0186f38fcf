// pipeline DIR [--cold | --once]: one real AppViewModel run over DIR, headless, against
// the floor of the same walk plus open, 64 KiB read and close of every file;
// then DIR again as one drop per folder in it, into one model. Each ends with a
// Restart. With --cold (root), first the one run and a floor on 64 threads,
// each after dropping the page cache: what the disk allows. With --once, the
// one run alone, for a library larger than memory or a slow share. A stall is the
// longest wait between the GUI thread's 1 ms ticks, publish and Restart
// included. The last line holds the figures as key=value pairs.

#include "AppViewModel.h"
#include "PageCache.h"
#include "ProcessMemory.h"
#include "ProcessingRun.h"
#include "ReadFloor.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThreadPool>
#include <QTimer>
#include <QUrl>

#include <malloc.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using optara::AppViewModel;
using optara::ReadFloor;

namespace {

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double perSecond(double count, double ms)
{
    return ms > 0 ? count * 1000.0 / ms : 0.0;
}

// Heap bytes in use (not resident memory, which glibc may keep after a free).
long heapBytesInUse()
{
    const struct mallinfo2 heap = ::mallinfo2();
    return static_cast<long>(heap.uordblks + heap.hblkhd);
}

double cpuMsUsed()
{
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& time) {
        return static_cast<double>(time.tv_sec) * 1e3 + static_cast<double>(time.tv_usec) / 1e3;
    };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

struct RunFigures {
    double totalMs = 0;
    double maxStallMs = 0;
    double publishMs = 0; // the longest, from the photos' change to the flag's
    double clearMs = 0;   // the Restart after the last drop
    double cpuMs = 0;     // user and system time of the whole process
    long heapGrowth = 0;
    int photos = 0;

    double cpuUsPerPhoto() const { return photos > 0 ? cpuMs * 1000.0 / photos : 0.0; }
    double bytesPerPhoto() const { return photos > 0 ? static_cast<double>(heapGrowth) / photos : 0.0; }
};

QUrl fileUrl(const fs::path& path)
{
    return QUrl::fromEncoded("file://" + QByteArray::fromStdString(path.native()).toPercentEncoding("/"));
}

// Each drop once the one before has been published, then a Restart.
RunFigures pipeline(const std::vector<fs::path>& drops)
{
    RunFigures figures;
    AppViewModel model;
    const long heapBefore = heapBytesInUse();

    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(1);
    Clock::time_point lastTick;
    Clock::time_point publishStart;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        figures.maxStallMs = std::max(figures.maxStallMs, msSince(lastTick));
        lastTick = Clock::now();
    });
    // A publish begins as the first list is reset.
    QObject::connect(model.topCameras(), &QAbstractItemModel::modelAboutToBeReset,
                     [&] { publishStart = Clock::now(); });
    QEventLoop loop;
    QObject::connect(&model, &AppViewModel::isProcessingChanged, [&] {
        if (!model.isProcessing()) {
            figures.publishMs = std::max(figures.publishMs, msSince(publishStart));
            loop.quit();
        }
    });

    const double cpuBefore = cpuMsUsed();
    const auto start = Clock::now();
    lastTick = start;
    ticker.start();
    for (const fs::path& drop : drops) {
        model.processURLs({fileUrl(drop)});
        loop.exec();
    }
    figures.totalMs = msSince(start);
    optara::ProcessingRun::waitForReads(std::chrono::hours(1));
    figures.cpuMs = cpuMsUsed() - cpuBefore;
    figures.photos = model.processedImageCount();
    figures.heapGrowth = heapBytesInUse() - heapBefore;
    lastTick = Clock::now(); // the bench's own wait is no stall

    // The Restart, and a few ticks after it while a worker frees the photos.
    const auto clearStart = Clock::now();
    model.clearData();
    figures.clearMs = msSince(clearStart);
    QTimer::singleShot(100, &loop, &QEventLoop::quit);
    loop.exec();
    return figures;
}

// The folders in DIR, in name order; DIR itself when it has none.
std::vector<fs::path> foldersIn(const fs::path& root)
{
    std::vector<fs::path> folders;
    for (const auto& entry : fs::directory_iterator(root))
        if (entry.is_directory() && entry.path().filename().native().front() != '.')
            folders.push_back(entry.path());
    std::sort(folders.begin(), folders.end());
    return folders.empty() ? std::vector<fs::path>{root} : folders;
}

void print(const char* name, const ReadFloor& floor)
{
    std::printf("%s floor: %zu files in %.1f ms (walk %.1f ms)\n", name, floor.files, floor.totalMs,
                floor.walkMs);
}

void print(const char* name, const RunFigures& run)
{
    std::printf(
        "%s: %d photos in %.1f ms; stall %.1f ms, publish %.1f ms, Restart %.1f ms, %.0f bytes/photo\n", name,
        run.photos, run.totalMs, run.maxStallMs, run.publishMs, run.clearMs, run.bytesPerPhoto());
}

} // namespace

int runPipelineBench(int argc, char** argv)
{
    const bool cold = argc == 3 && std::strcmp(argv[2], "--cold") == 0;
    const bool once = argc == 3 && std::strcmp(argv[2], "--once") == 0;
    if (argc != 2 && !cold && !once) {
        std::fprintf(stderr, "usage: optara-bench pipeline DIR [--cold | --once]\n");
        return 2;
    }
    optara::configureHeaps(); // as the app does
    const fs::path root = fs::absolute(argv[1]);
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QCoreApplication app(qtArgc, qtArgv);
    QThreadPool* const warmPool = QThreadPool::globalInstance();
    if (once) {
        const RunFigures run = pipeline({root});
        print("once", run);
        return run.photos > 0 ? 0 : 1;
    }

    RunFigures coldRun;
    ReadFloor coldFloor;
    const bool coldMeasured = cold && optara::dropPageCache();
    if (cold && !coldMeasured)
        std::printf("cold: cannot drop the page cache (needs root); measuring warm only\n");
    if (coldMeasured) {
        QThreadPool diskPool;
        diskPool.setMaxThreadCount(64);
        coldFloor = ReadFloor::measure(diskPool, root);
        optara::dropPageCache();
        coldRun = pipeline({root});
        print("cold (64 threads)", coldFloor);
        print("cold", coldRun);
    }

    ReadFloor::measure(*warmPool, root); // brings the tree into the page cache
    const RunFigures run = pipeline({root});
    const ReadFloor floor = ReadFloor::measure(*warmPool, root);
    print("warm", floor);
    print("warm", run);
    const RunFigures drops = pipeline(foldersIn(root));
    print("drops, one per folder", drops);

    // Stalls, publish, Restart and memory: the worst of the runs measured.
    const auto worst = [&](auto figure) {
        return std::max({std::invoke(figure, run), std::invoke(figure, drops), std::invoke(figure, coldRun)});
    };
    std::printf("photos=%d photos_per_s=%.0f floor_ratio=%.2f cpu_us_per_photo=%.1f max_stall_ms=%.1f "
                "publish_ms=%.1f clear_ms=%.1f bytes_per_photo=%.0f",
                run.photos, perSecond(run.photos, run.totalMs),
                floor.totalMs > 0 ? run.totalMs / floor.totalMs : 0.0, run.cpuUsPerPhoto(),
                worst(&RunFigures::maxStallMs), worst(&RunFigures::publishMs), worst(&RunFigures::clearMs),
                worst(&RunFigures::bytesPerPhoto));
    if (coldMeasured)
        std::printf(" cold_photos_per_s=%.0f cold_floor_photos_per_s=%.0f",
                    perSecond(coldRun.photos, coldRun.totalMs),
                    perSecond(static_cast<double>(coldFloor.files), coldFloor.totalMs));
    std::printf("\n");
    return run.photos > 0 ? 0 : 1;
}
