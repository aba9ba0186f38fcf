#include "ProcessingRun.h"

#include "AppViewModel.h"
#include "FileGatherer.h"
#include "MetadataReader.h"
#include "ReadJob.h"
#include "ReadTimer.h"
#include "StatsTally.h"

#include <QMetaObject>
#include <QThreadPool>

#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <utility>

namespace fs = std::filesystem;

namespace optara {

namespace {

// Runs' threads only: the walk and the readers, of every window.
struct RunPool : QThreadPool {
    RunPool() { setMaxThreadCount(ReadJob::mostReaders + 1); }

    // Below the thread that first starts a run, the GUI thread, at whatever
    // priority the app was started.
    const int workerNice = std::min(::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid())) + 5, 19);
};

RunPool& runPool()
{
    static RunPool pool;
    return pool;
}

// A run's threads give way to the GUI thread, so a reader that has waited
// while the GUI thread ran does not then hold the CPU for a frame or more to
// catch up. The pool serves only runs, so its threads keep the priority.
void yieldToGuiThread()
{
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), runPool().workerNice);
}

// One slice of reading: files taken one at a time until none are left, the
// run stops, the slice is full, or the run wants more readers; the photos
// found and their counts are then kept in the job.
void readSlice(ReadJob& job)
{
    constexpr std::size_t sliceFiles = 256;
    constexpr auto sliceTime = std::chrono::milliseconds(100);
    ReadJob::Slice slice;
    slice.photos.reserve(sliceFiles);
    slice.files.reserve(sliceFiles);
    StatsTally tally;
    ReadTimer timer(job.concurrency);
    std::size_t lane = job.laneToStart();
    for (std::size_t n = 0; n < sliceFiles && !job.stopped.load(std::memory_order_relaxed); ++n) {
        const std::optional<std::size_t> file = job.claim(lane);
        if (!file)
            break;
        if (auto record = MetadataReader::shared().readMetadata(job.file(*file))) {
            tally.add(*record, *file);
            slice.photos.push_back(std::move(*record));
            slice.files.push_back(*file);
        }
        if (timer.fileRead() || timer.elapsed() >= sliceTime)
            break;
    }
    job.keep(std::move(slice), tally);
}

} // namespace

ProcessingRun::ProcessingRun(AppViewModel* owner, std::vector<fs::path> locations)
    : owner_(owner), locations_(std::move(locations)), job_(std::make_shared<ReadJob>())
{
    if (owner != nullptr)
        connect(owner, &QObject::destroyed, this, [this] { job_->stopped = true; });
}

// A reader's allocation can wait tens of ms for memory the kernel reclaims,
// holding its heap's lock: a heap shared with the GUI thread would hold the
// GUI thread as long. glibc shares heaps once threads outnumber 8 per core.
void ProcessingRun::separateThreadHeaps()
{
    constexpr int heaps = 2 * (ReadJob::mostReaders + 1);
    ::mallopt(M_ARENA_MAX, heaps);
}

bool ProcessingRun::waitForReads(std::chrono::milliseconds timeout)
{
    return runPool().waitForDone(static_cast<int>(timeout.count()));
}

void ProcessingRun::start()
{
    if (!owner_) {
        deleteLater();
        return;
    }
    runPool().start([job = job_, run = this, locations = std::move(locations_)] {
        yieldToGuiThread();
        job->setFiles(gatherFiles(locations));
        // No reader to finish the run: no files, or the window is gone.
        if (startReaders(job, run) == 0)
            finishReads(*job, run);
    });
}

// Readers at most double at a time: a burst of tens of threads waking at once
// would hold the GUI thread off its CPU. Returns how many were started.
int ProcessingRun::startReaders(const std::shared_ptr<ReadJob>& job, ProcessingRun* run)
{
    int running = job->readersRunning.load();
    const int most = std::min(2 * running + 2, job->concurrency.readers());
    int started = 0;
    while (running < most && !job->stopped && !job->exhausted()) {
        if (job->readersRunning.compare_exchange_weak(running, running + 1)) {
            ++running;
            ++started;
            runPool().start([job, run] { read(job, run); });
        }
    }
    return started;
}

// A reader reads slice after slice. It leaves early when the run wants fewer
// readers, never as the last one; the last to leave finishes the run.
void ProcessingRun::read(const std::shared_ptr<ReadJob>& job, ProcessingRun* run)
{
    yieldToGuiThread();
    for (;;) {
        readSlice(*job);
        if (job->stopped || job->exhausted())
            break;
        int running = job->readersRunning.load();
        if (running > job->concurrency.readers() &&
            job->readersRunning.compare_exchange_strong(running, running - 1))
            return;
        startReaders(job, run);
    }
    if (job->readersRunning.fetch_sub(1) == 1)
        finishReads(*job, run);
}

// Putting a million photos in order and freeing a million paths take tens of
// ms: the last reader does both. A closed window's photos are freed here.
void ProcessingRun::finishReads(ReadJob& job, ProcessingRun* run)
{
    auto [photos, tally] = job.takeResult();
    if (job.stopped)
        photos.clear();
    QMetaObject::invokeMethod(
        run,
        [run, photos = std::move(photos),
         tally = std::make_shared<const StatsTally>(std::move(tally))]() mutable {
            run->handOver(std::move(photos), std::move(tally));
        },
        Qt::QueuedConnection);
}

void ProcessingRun::handOver(std::vector<ImageMetadata> batch, std::shared_ptr<const StatsTally> tally)
{
    if (owner_)
        owner_->finishRun(std::move(batch), std::move(tally));
    deleteLater();
}

} // namespace optara
