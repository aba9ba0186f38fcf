// window DIR [--cold] [--cycles N]: the app's real window, opened as the app
// opens it, with DIR dropped on it. It records every frame the window shows
// from the drop to the first frame of the dashboard, against a baseline: a
// window showing the same overlay for as long with nothing read. Then the
// memory the process holds over a run, a Restart, N cycles of both and a
// closed window, and how long a second window takes to its first frame during
// a run and with none. With --cold (root), the page cache is dropped before
// the first run; otherwise the tree is read into it first. The last line holds
// the figures as key=value pairs.

#include "AppProcess.h"
#include "AppViewModel.h"
#include "FrameGaps.h"
#include "FrameRecorder.h"
#include "PageCache.h"
#include "ReadFloor.h"
#include "ResidentMemory.h"
#include "Translation.h"
#include "WindowManager.h"

#include <QApplication>
#include <QEventLoop>
#include <QLocale>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QThreadPool>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using optara::AppViewModel;
using optara::FrameGaps;
using optara::FrameRecorder;
using optara::ResidentMemory;
using optara::WindowManager;

namespace {

// About ten minutes of frames at the 200 a second that Mesa draws on Xvfb.
constexpr std::size_t frameCapacity = std::size_t{1} << 17;
// Idle after a window's first frame, as a user takes it in before dropping.
constexpr std::chrono::milliseconds settleTime = 1000ms;
// For the workers to free what a Restart or a closed window lets go.
constexpr std::chrono::milliseconds freeingTime = 1500ms;
// Far longer than any frame takes, short enough not to hang the bench.
constexpr std::chrono::milliseconds frameTimeout = 10s;

struct Options {
    fs::path dir;
    bool cold = false;
    int cycles = 10;
};

std::optional<Options> parse(int argc, char** argv)
{
    if (argc < 2)
        return std::nullopt;
    Options options{.dir = fs::absolute(argv[1])};
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--cold") == 0) {
            options.cold = true;
        } else if (std::strcmp(argv[i], "--cycles") == 0 && i + 1 < argc) {
            const char* value = argv[++i];
            const char* end = value + std::strlen(value);
            const auto [last, error] = std::from_chars(value, end, options.cycles);
            if (error != std::errc() || last != end || options.cycles < 0)
                return std::nullopt;
        } else {
            return std::nullopt;
        }
    }
    return options;
}

double msBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

void runEventLoop(std::chrono::milliseconds duration)
{
    QEventLoop loop;
    QTimer::singleShot(duration, &loop, &QEventLoop::quit);
    loop.exec();
}

QQuickItem* findItem(QQuickItem* item, const QString& objectName)
{
    if (item == nullptr || item->objectName() == objectName)
        return item;
    for (QQuickItem* child : item->childItems())
        if (QQuickItem* found = findItem(child, objectName))
            return found;
    return nullptr;
}

struct OpenedWindow {
    QQuickWindow* window = nullptr;
    FrameRecorder* frames = nullptr; // a child of the window
    double firstFrameMs = -1;        // from newWindow() to the first frame; -1 when none came
};

// Opens a window as Ctrl+N does and waits for its first frame.
OpenedWindow openWindow(WindowManager& windows, std::size_t capacity)
{
    OpenedWindow opened;
    const auto start = Clock::now();
    opened.window = windows.newWindow();
    if (opened.window == nullptr)
        return opened;
    // The first frame needs the expose event, which the event loop has yet to deliver.
    opened.frames = new FrameRecorder(opened.window, capacity);
    opened.frames->start();
    if (opened.frames->waitForFrameAfter(start, frameTimeout))
        opened.firstFrameMs = msBetween(start, opened.frames->framesFrom(start, start).back());
    return opened;
}

struct RunEnd {
    Clock::time_point time;
    ResidentMemory memory;
};

// Runs the event loop until the model's runs have ended; the time and the
// memory are taken as isProcessing turns false.
RunEnd waitForRunEnd(AppViewModel* model)
{
    const auto now = [] { return RunEnd{Clock::now(), ResidentMemory::now()}; };
    if (!model->isProcessing())
        return now();
    RunEnd end;
    QEventLoop loop;
    QObject::connect(model, &AppViewModel::isProcessingChanged, &loop, [&] {
        if (model->isProcessing())
            return;
        end = now();
        loop.quit();
    });
    loop.exec();
    return end;
}

struct Run {
    Clock::time_point dropped;
    RunEnd end;
    int photos = 0;

    double ms() const { return msBetween(dropped, end.time); }
};

// What a drop of the folder on the window calls.
void drop(AppViewModel* model, const fs::path& dir)
{
    model->processURLs({QUrl::fromLocalFile(QString::fromStdString(dir.string()))});
}

Run dropAndWait(QQuickWindow* window, const fs::path& dir)
{
    AppViewModel* model = WindowManager::viewModel(window);
    Run run;
    run.dropped = Clock::now();
    drop(model, dir);
    run.end = waitForRunEnd(model);
    run.photos = model->processedImageCount();
    return run;
}

// Restart, then time for the workers to free the photos.
ResidentMemory restart(QQuickWindow* window)
{
    WindowManager::viewModel(window)->clearData();
    runEventLoop(freeingTime);
    return ResidentMemory::now();
}

void closeWindow(QQuickWindow* window)
{
    window->close();
    // The window deletes itself later, which the app's event loop does once
    // control returns to it: the bench, which runs loops of its own from
    // outside any, has it done here.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    runEventLoop(freeingTime);
}

// The overlay's spinner over the drop zone for `duration`, with nothing read.
// Setting the overlay's Loader active breaks its binding to the run, so this
// happens in a window of its own, closed afterwards. As in the run, the first
// frame is the window's first of the overlay.
std::optional<FrameGaps> baseline(WindowManager& windows, Clock::duration duration)
{
    const OpenedWindow shown = openWindow(windows, frameCapacity);
    if (shown.window == nullptr)
        return std::nullopt;
    QQuickItem* overlay = findItem(shown.window->contentItem(), "overlayLoader");
    if (overlay == nullptr || shown.firstFrameMs < 0) {
        closeWindow(shown.window);
        return std::nullopt;
    }
    runEventLoop(settleTime);
    shown.frames->start();
    const auto from = Clock::now();
    overlay->setProperty("active", true);
    const auto until = from + duration;
    const bool ended = shown.frames->waitForFrameAfter(
        until, std::chrono::duration_cast<std::chrono::milliseconds>(duration) + frameTimeout);
    const FrameGaps gaps = FrameGaps::of(shown.frames->framesFrom(from, until));
    closeWindow(shown.window);
    return ended ? std::optional(gaps) : std::nullopt;
}

struct SecondWindow {
    double duringRunMs = -1;
    bool runStillGoing = false; // at the second window's first frame
    double idleMs = -1;
};

SecondWindow timeSecondWindow(WindowManager& windows, QQuickWindow* first, const fs::path& dir,
                              std::chrono::milliseconds intoRun)
{
    SecondWindow figures;
    const OpenedWindow idle = openWindow(windows, 1);
    figures.idleMs = idle.firstFrameMs;
    if (idle.window)
        closeWindow(idle.window);

    AppViewModel* model = WindowManager::viewModel(first);
    drop(model, dir);
    runEventLoop(intoRun);
    const OpenedWindow during = openWindow(windows, 1);
    figures.duringRunMs = during.firstFrameMs;
    figures.runStillGoing = model->isProcessing();
    waitForRunEnd(model);
    if (during.window)
        closeWindow(during.window);
    restart(first);
    return figures;
}

struct ClosedWindow {
    ResidentMemory before; // with the windows opened so far closed
    ResidentMemory after;
};

// Another window, a run in it, and the memory once it is closed.
ClosedWindow closeWindowThatRan(WindowManager& windows, const fs::path& dir)
{
    ClosedWindow memory;
    memory.before = ResidentMemory::now();
    const OpenedWindow other = openWindow(windows, 1);
    if (other.window == nullptr)
        return memory;
    runEventLoop(settleTime);
    dropAndWait(other.window, dir);
    closeWindow(other.window);
    memory.after = ResidentMemory::now();
    return memory;
}

void print(const char* name, const FrameGaps& gaps)
{
    std::printf("%s: %d frames in %.1f ms, the first after %.1f ms; longest gap %.1f ms (%.1f ms after the "
                "first frame), 99th percentile %.1f ms, %d gaps over 33 ms\n",
                name, gaps.frames, gaps.durationMs, gaps.firstMs, gaps.longestMs, gaps.longestAfterFirstMs,
                gaps.percentile99Ms, gaps.over33Ms);
}

int measure(WindowManager& windows, const Options& options)
{
    const OpenedWindow first = openWindow(windows, frameCapacity);
    if (first.window == nullptr || first.firstFrameMs < 0) {
        std::fprintf(stderr, "window: the window showed no frame\n");
        return 1;
    }
    runEventLoop(settleTime);
    const ResidentMemory idle = ResidentMemory::now();
    const char* const renderer =
        first.window->rendererInterface()->graphicsApi() == QSGRendererInterface::Software ? "software"
                                                                                           : "opengl";
    std::printf("renderer: %s\n", renderer);

    const bool cold = options.cold && optara::dropPageCache();
    if (options.cold && !cold)
        std::printf("cold: cannot drop the page cache (needs root); measuring warm\n");
    if (!cold)
        optara::ReadFloor::measure(*QThreadPool::globalInstance(), options.dir); // into the page cache

    // The measured run comes first, as the first run of a session, and the
    // memory figures follow it before any other window opens; the baseline
    // comes after them, as long as the run took.
    first.frames->start();
    const Run run = dropAndWait(first.window, options.dir);
    const bool ended = first.frames->waitForFrameAfter(run.end.time, frameTimeout);
    const FrameGaps runGaps = FrameGaps::of(first.frames->framesFrom(run.dropped, run.end.time));
    const bool dashboardShown = findItem(first.window->contentItem(), "dashboard") != nullptr;
    std::printf("%s run: %d photos in %.1f ms%s\n", cold ? "cold" : "warm", run.photos, run.ms(),
                ended && dashboardShown ? "" : "; no frame of the dashboard followed");
    if (first.frames->missed() > 0)
        std::printf("run: %zu frames beyond the record\n", first.frames->missed());
    print("run", runGaps);

    const ResidentMemory afterRestart = restart(first.window);
    std::printf("memory: idle %.1f MB; at the run's end %.1f MB, peak %.1f MB; after Restart %.1f MB\n",
                idle.residentMb, run.end.memory.residentMb, run.end.memory.peakMb, afterRestart.residentMb);
    ResidentMemory afterCycles = afterRestart;
    Clock::duration warmRun = run.end.time - run.dropped;
    for (int cycle = 1; cycle <= options.cycles; ++cycle) {
        const Run again = dropAndWait(first.window, options.dir);
        warmRun = again.end.time - again.dropped;
        afterCycles = restart(first.window);
        std::printf("cycle %d: %d photos in %.1f ms; after Restart %.1f MB\n", cycle, again.photos,
                    again.ms(), afterCycles.residentMb);
    }

    const std::optional<FrameGaps> baseGaps = baseline(windows, run.end.time - run.dropped);
    if (baseGaps)
        print("baseline", *baseGaps);
    else
        std::printf("baseline: the overlay showed no frames\n");

    // A fifth of a second into a warm run, or halfway through a shorter one.
    const auto intoRun = std::min(200ms, std::chrono::duration_cast<std::chrono::milliseconds>(warmRun / 2));
    const SecondWindow second = timeSecondWindow(windows, first.window, options.dir, intoRun);
    std::printf("second window: first frame after %.1f ms during a run%s, %.1f ms with none\n",
                second.duringRunMs, second.runStillGoing ? "" : " (which ended first)", second.idleMs);

    const ClosedWindow closed = closeWindowThatRan(windows, options.dir);
    std::printf("memory: before another window %.1f MB, after it ran and closed %.1f MB\n",
                closed.before.residentMb, closed.after.residentMb);

    // The disk's own limit on the same tree: the cold floor on 64 threads.
    optara::ReadFloor coldFloor;
    if (cold && optara::dropPageCache()) {
        QThreadPool diskPool;
        diskPool.setMaxThreadCount(64);
        coldFloor = optara::ReadFloor::measure(diskPool, options.dir);
        std::printf("cold floor (64 threads): %zu files in %.1f ms; the run took %.2fx as long\n",
                    coldFloor.files, coldFloor.totalMs, run.ms() / coldFloor.totalMs);
    }

    const FrameGaps base = baseGaps.value_or(FrameGaps{});
    std::printf(
        "run_gap_max_ms=%.1f run_gap_p99_ms=%.1f run_gaps_over_33=%d base_gap_max_ms=%.1f "
        "base_gap_p99_ms=%.1f base_gaps_over_33=%d rss_idle_mb=%.1f rss_end_mb=%.1f hwm_mb=%.1f "
        "rss_restart_mb=%.1f rss_cycles_mb=%.1f rss_closed_mb=%.1f second_window_ms=%.1f "
        "second_window_idle_ms=%.1f photos=%d run_ms=%.1f run_first_frame_ms=%.1f base_first_frame_ms=%.1f "
        "run_gap_max_after_first_ms=%.1f base_gap_max_after_first_ms=%.1f run_gap_max_between_ms=%.1f "
        "base_gap_max_between_ms=%.1f run_last_frame_ms=%.1f rss_before_other_mb=%.1f cold=%d "
        "cold_floor_ms=%.1f renderer=%s\n",
        runGaps.longestMs, runGaps.percentile99Ms, runGaps.over33Ms, base.longestMs, base.percentile99Ms,
        base.over33Ms, idle.residentMb, run.end.memory.residentMb, run.end.memory.peakMb,
        afterRestart.residentMb, afterCycles.residentMb, closed.after.residentMb, second.duringRunMs,
        second.idleMs, run.photos, run.ms(), runGaps.firstMs, base.firstMs, runGaps.longestAfterFirstMs,
        base.longestAfterFirstMs, runGaps.longestBetweenMs, base.longestBetweenMs, runGaps.lastMs,
        closed.before.residentMb, cold ? 1 : 0, coldFloor.totalMs, renderer);
    return run.photos > 0 ? 0 : 1;
}

} // namespace

int runWindowBench(int argc, char** argv)
{
    optara::prepareAppProcess();
    // Takes Qt's own options, such as -platform offscreen, out of argv.
    QApplication app(argc, argv);
    optara::prepareApp();
    const std::optional<Options> options = parse(argc, argv);
    if (!options) {
        std::fprintf(stderr, "usage: optara-bench window DIR [--cold] [--cycles N]\n");
        return 2;
    }
    const optara::Translation translation(QLocale::system());
    QQmlEngine engine;
    WindowManager windows(engine);
    return measure(windows, *options);
}
