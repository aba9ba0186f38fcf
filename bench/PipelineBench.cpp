// pipeline DIR [--cold]: one real AppViewModel run over DIR, headless,
// against the floor of the same walk plus open/read/close of every file on the
// global pool; then DIR again as one drop per folder in it, one after another,
// into one model; each ends with a Restart. With --cold, first the one run with
// the page cache dropped before each phase, the floor then reading on 64
// threads: what the disk allows. A stall is the longest wait between the GUI
// thread's 1 ms ticks, publish and Restart included; as root it is also given
// less the times its CPU was frozen (FreezeProbe), which no program can help.
// The last line holds the figures as key=value pairs.

#include "AppViewModel.h"
#include "FileGatherer.h"
#include "FreezeProbe.h"
#include "ProcessingRun.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QObject>
#include <QThreadPool>
#include <QTimer>
#include <QUrl>

#include <fcntl.h>
#include <malloc.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double msSince(Clock::time_point start, Clock::time_point end = Clock::now())
{
    return std::chrono::duration<double, std::milli>(end - start).count();
}

// Heap bytes in use, in every arena and in blocks mapped on their own. Not
// resident memory: what glibc keeps of a walk's freed paths for later use, it
// cannot always give back, and a later run reuses it, so resident growth
// could even come out negative.
long heapBytesInUse()
{
    const struct mallinfo2 heap = ::mallinfo2();
    return static_cast<long>(heap.uordblks + heap.hblkhd);
}

// Root only: the next phase then reads from the disk, not from memory.
bool dropPageCache()
{
    ::sync();
    std::FILE* control = ::geteuid() == 0 ? std::fopen("/proc/sys/vm/drop_caches", "w") : nullptr;
    if (!control)
        return false;
    const bool written = std::fputs("3\n", control) >= 0;
    return std::fclose(control) == 0 && written;
}

// The floor: the same walk, then open, read up to 64 KiB and close every
// candidate, chunked over the pool.
double floorMs(QThreadPool* pool, const fs::path& root, std::size_t& files, double& walkMs)
{
    const auto start = Clock::now();
    std::vector<fs::path> candidates;
    QThreadPool::globalInstance()->start([&] { candidates = optara::gatherFiles({root}); });
    QThreadPool::globalInstance()->waitForDone();
    walkMs = msSince(start);
    const std::size_t threads = static_cast<std::size_t>(std::max(1, pool->maxThreadCount()));
    const std::size_t chunk = std::clamp<std::size_t>(candidates.size() / (threads * 8), 1, 256);
    std::atomic<long long> bytes = 0;
    for (std::size_t begin = 0; begin < candidates.size(); begin += chunk) {
        const std::size_t end = std::min(candidates.size(), begin + chunk);
        pool->start([&, begin, end] {
            std::vector<char> buffer(64 * 1024);
            long long total = 0;
            for (std::size_t i = begin; i < end; ++i) {
                const int fd = ::open(candidates[i].c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
                if (fd < 0)
                    continue;
                const ssize_t got = ::read(fd, buffer.data(), buffer.size());
                if (got > 0)
                    total += got;
                ::close(fd);
            }
            bytes += total;
        });
    }
    pool->waitForDone();
    files = candidates.size();
    return msSince(start);
}

struct RunFigures {
    double totalMs = 0;
    double maxStallMs = 0;
    double maxStallAtMs = 0; // when it ended, from the start of the run
    double ownStallMs = 0;   // the longest stall less its CPUs' freezes within it
    double longestFreezeMs = 0;
    bool freezesMeasured = false;
    double publishMs = 0; // the longest, from the photos' change to the flag's
    double clearMs = 0;   // the Restart after the last drop
    long heapGrowth = 0;
    double cpuMs = 0; // user and system time of the whole process
    int photos = 0;
};

double cpuMsUsed()
{
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& time) {
        return static_cast<double>(time.tv_sec) * 1e3 + static_cast<double>(time.tv_usec) / 1e3;
    };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

double cpuUsPerPhoto(const RunFigures& run)
{
    return run.photos > 0 ? run.cpuMs * 1000.0 / run.photos : 0.0;
}

double bytesPerPhoto(const RunFigures& run)
{
    return run.photos > 0 ? static_cast<double>(run.heapGrowth) / run.photos : 0.0;
}

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
    Clock::time_point start;
    Clock::time_point publishStart;
    // Between ticks the GUI thread sleeps on the CPU it last ran on, where its
    // timer fires, and wakes on that CPU or another: a freeze of either holds
    // the next tick back.
    struct Wait {
        Clock::time_point begin;
        Clock::time_point end;
        int sleptOn;
        int wokeOn;
    };
    std::vector<Wait> waits;
    int tickCpu = ::sched_getcpu();
    const auto tick = [&] {
        const auto now = Clock::now();
        if (msSince(lastTick, now) > figures.maxStallMs) {
            figures.maxStallMs = msSince(lastTick, now);
            figures.maxStallAtMs = msSince(start, now);
        }
        const int cpu = ::sched_getcpu();
        waits.push_back({lastTick, now, tickCpu, cpu});
        lastTick = now;
        tickCpu = cpu;
    };
    QObject::connect(&ticker, &QTimer::timeout, tick);
    QObject::connect(&model, &AppViewModel::processedImagesChanged, [&] { publishStart = Clock::now(); });
    QEventLoop loop;
    QObject::connect(&model, &AppViewModel::isProcessingChanged, [&] {
        if (!model.isProcessing()) {
            figures.publishMs = std::max(figures.publishMs, msSince(publishStart));
            loop.quit();
        }
    });

    FreezeProbe probe;
    const double cpuBefore = cpuMsUsed();
    start = Clock::now();
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
    ticker.stop();
    probe.stop();
    for (const Wait& wait : waits)
        figures.ownStallMs =
            std::max(figures.ownStallMs,
                     msSince(wait.begin, wait.end) -
                         probe.frozenWithin({wait.sleptOn, wait.wokeOn}, wait.begin, wait.end).count());
    figures.longestFreezeMs = probe.longestFreeze().count();
    figures.freezesMeasured = probe.measuring();
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

double perSecond(double count, double ms)
{
    return ms > 0 ? count * 1000.0 / ms : 0.0;
}

} // namespace

int runPipelineBench(int argc, char** argv)
{
    const bool cold = argc == 3 && std::strcmp(argv[2], "--cold") == 0;
    if (argc != 2 && !cold) {
        std::fprintf(stderr, "usage: optara-bench pipeline DIR [--cold]\n");
        return 2;
    }
    optara::ProcessingRun::separateThreadHeaps(); // as the app does
    const fs::path root = fs::absolute(argv[1]);
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QCoreApplication app(qtArgc, qtArgv);
    QThreadPool* const warmPool = QThreadPool::globalInstance();
    std::size_t files = 0;
    double walkMs = 0;

    RunFigures coldRun;
    std::size_t coldFiles = 0;
    double coldFloor = 0;
    const bool coldMeasured = cold && dropPageCache();
    if (cold && !coldMeasured)
        std::printf("cold: cannot drop the page cache (needs root); measuring warm only\n");
    if (coldMeasured) {
        QThreadPool diskPool;
        diskPool.setMaxThreadCount(64);
        coldFloor = floorMs(&diskPool, root, coldFiles, walkMs);
        dropPageCache();
        coldRun = pipeline({root});
        std::printf(
            "cold pipeline: %d photos in %.1f ms (longest stall ended at %.1f ms); floor: %zu files in "
            "%.1f ms (walk %.1f ms) on 64 threads; stall %.1f ms (%.1f ms less CPU freezes; longest %.1f "
            "ms), publish %.1f ms, Restart %.1f ms, %.0f bytes/photo\n",
            coldRun.photos, coldRun.totalMs, coldRun.maxStallAtMs, coldFiles, coldFloor, walkMs,
            coldRun.maxStallMs, coldRun.ownStallMs, coldRun.longestFreezeMs, coldRun.publishMs,
            coldRun.clearMs, bytesPerPhoto(coldRun));
    }

    const double warmUpMs = floorMs(warmPool, root, files, walkMs); // brings the tree into the page cache
    std::printf("warm-up floor: %zu candidates in %.1f ms\n", files, warmUpMs);
    const RunFigures run = pipeline({root});
    const double floor = floorMs(warmPool, root, files, walkMs);
    std::printf(
        "pipeline: %d photos in %.1f ms (longest stall ended at %.1f ms); floor: %zu files in %.1f ms "
        "(walk %.1f ms); threads=%d; stall %.1f ms (%.1f ms less CPU freezes; longest %.1f ms), publish "
        "%.1f ms, Restart %.1f ms, %.0f bytes/photo\n",
        run.photos, run.totalMs, run.maxStallAtMs, files, floor, walkMs, warmPool->maxThreadCount(),
        run.maxStallMs, run.ownStallMs, run.longestFreezeMs, run.publishMs, run.clearMs, bytesPerPhoto(run));
    const std::vector<fs::path> folders = foldersIn(root);
    const RunFigures drops = pipeline(folders);
    std::printf("drops: %zu folders, %d photos in %.1f ms; stall %.1f ms ending at %.1f ms (%.1f ms less CPU "
                "freezes), longest publish %.1f ms, Restart %.1f ms\n",
                folders.size(), drops.photos, drops.totalMs, drops.maxStallMs, drops.maxStallAtMs,
                drops.ownStallMs, drops.publishMs, drops.clearMs);
    if (!run.freezesMeasured)
        std::printf("CPU freezes: not measured (real-time priority needs root)\n");

    // Stalls, publish, Restart and memory: the worst of the runs measured.
    const auto worst = [&](double RunFigures::*figure) {
        return std::max({run.*figure, drops.*figure, coldRun.*figure});
    };
    std::printf("photos=%d photos_per_s=%.0f floor_ratio=%.2f cpu_us_per_photo=%.1f max_stall_ms=%.1f "
                "publish_ms=%.1f clear_ms=%.1f bytes_per_photo=%.0f",
                run.photos, perSecond(run.photos, run.totalMs), floor > 0 ? run.totalMs / floor : 0.0,
                cpuUsPerPhoto(run), worst(&RunFigures::maxStallMs), worst(&RunFigures::publishMs),
                worst(&RunFigures::clearMs),
                std::max({bytesPerPhoto(run), bytesPerPhoto(drops), bytesPerPhoto(coldRun)}));
    if (run.freezesMeasured)
        std::printf(" own_stall_ms=%.1f cpu_freeze_ms=%.1f", worst(&RunFigures::ownStallMs),
                    worst(&RunFigures::longestFreezeMs));
    if (coldMeasured)
        std::printf(" cold_photos_per_s=%.0f cold_floor_photos_per_s=%.0f",
                    perSecond(coldRun.photos, coldRun.totalMs),
                    perSecond(static_cast<double>(coldFiles), coldFloor));
    std::printf("\n");
    return run.photos > 0 ? 0 : 1;
}
