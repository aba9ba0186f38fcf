#include "ProcessingRun.h"

#include "GatherFiles.h"
#include "MetadataReader.h"
#include "ProcessMemory.h"
#include "ReadAhead.h"
#include "ReadJob.h"
#include "ReadTimer.h"
#include "RunThreads.h"
#include "StatsTally.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>

#include <sched.h>

#include <algorithm>
#include <utility>

namespace fs = std::filesystem;

namespace optara {

namespace {

void read(const std::shared_ptr<ReadJob>& job, bool waiting);

// By the thread that ends the run: the walk's list and the readers' slices
// are freed by then, and what they held is handed back before the window
// builds its dashboard.
void endRun(ReadJob& job)
{
    job.finish();
    returnFreedMemory();
}

// Readers that overlap waits, started while the run wants more than one per
// core. At most doubling at a time: a burst of tens of threads waking at once
// would hold the desktop off its CPUs.
void startWaitingReaders(const std::shared_ptr<ReadJob>& job)
{
    RunThreads& threads = RunThreads::shared();
    const int wanted = job->concurrency.readers() - threads.cores();
    int running = job->waitingReaders.load();
    const int most = std::min(2 * running + 2, wanted);
    while (running < most && !job->stopped && !job->exhausted()) {
        if (!job->waitingReaders.compare_exchange_weak(running, running + 1))
            continue;
        ++job->readersRunning;
        if (!threads.tryStartWaiting([job] { read(job, true); })) {
            --job->waitingReaders;
            --job->readersRunning; // never the last: the caller reads on
            return;
        }
        ++running;
    }
}

// A reader asks for the files it takes next ahead of reading them, so that a
// disk serves many at once.
class ReadAheadWindow {
  public:
    void fileTaken(const ReadJob& job, std::size_t file)
    {
        constexpr std::size_t ahead = 256;
        if (file >= from_ && file < to_ && to_ - file > ahead / 2)
            return;
        const std::size_t first = file >= from_ && file < to_ ? to_ : file + 1;
        from_ = file;
        to_ = file + 1 + ahead;
        readAhead(job.laneFiles(first, to_ - first));
    }

  private:
    std::size_t from_ = 0;
    std::size_t to_ = 0; // files [from_, to_) have been asked for
};

// One slice of reading: files taken one at a time until none are left, the
// run stops, the slice is full, or the run wants more readers; the photos
// found and their counts are then kept in the job.
void readSlice(ReadJob& job, ReadAheadWindow& ahead)
{
    constexpr std::size_t sliceFiles = 256;
    constexpr auto sliceTime = std::chrono::milliseconds(100);
    ReadJob::Slice slice;
    slice.photos.reserve(sliceFiles);
    slice.files.reserve(sliceFiles);
    StatsTally tally;
    ReadTimer timer;
    std::size_t lane = job.laneToStart();
    for (std::size_t n = 0; n < sliceFiles && !job.stopped.load(std::memory_order_relaxed); ++n) {
        const std::optional<std::size_t> file = job.claim(lane);
        if (!file)
            break;
        ahead.fileTaken(job, *file);
        if (auto record = MetadataReader::shared().readMetadata(job.file(*file))) {
            tally.add(*record, *file);
            slice.photos.push_back(std::move(*record));
            slice.files.push_back(*file);
        }
        if (const auto spent = timer.sample()) {
            // Where the kernel preempts only at its tick, a thread woken
            // meanwhile would wait for that tick, or several, behind readers.
            ::sched_yield();
            if (job.concurrency.report(spent->onCpu, spent->blocked))
                break;
        }
        if (timer.elapsed() >= sliceTime)
            break;
    }
    job.keep(std::move(slice), tally);
}

// A reader reads slice after slice. A waiting reader leaves early when the
// run wants fewer; the last reader to leave ends the run.
void read(const std::shared_ptr<ReadJob>& job, bool waiting)
{
    const int cores = RunThreads::shared().cores();
    ReadAheadWindow ahead;
    for (;;) {
        readSlice(*job, ahead);
        if (job->stopped || job->exhausted()) {
            if (waiting)
                --job->waitingReaders;
            break;
        }
        if (waiting) {
            int running = job->waitingReaders.load();
            if (running > job->concurrency.readers() - cores &&
                job->waitingReaders.compare_exchange_strong(running, running - 1))
                break;
        }
        startWaitingReaders(job);
    }
    if (job->readersRunning.fetch_sub(1) == 1)
        endRun(*job);
}

// The walk, then one reader per core; the walk's own thread reads as the first.
void walkAndRead(const std::shared_ptr<ReadJob>& job, const std::vector<fs::path>& locations)
{
    RunThreads& threads = RunThreads::shared();
    job->setFiles(gatherFiles(locations, [&threads](std::function<void()> listing) {
        return threads.tryStartWorking(std::move(listing));
    }));
    if (job->stopped || job->exhausted()) {
        endRun(*job);
        return;
    }
    job->readersRunning = threads.cores();
    for (int reader = 1; reader < threads.cores(); ++reader)
        threads.startWorking([job] { read(job, false); });
    read(job, false);
}

} // namespace

ProcessingRun::ProcessingRun(std::vector<fs::path> locations, QObject* receiver, Finished finished)
    : locations_(std::move(locations))
{
    // The photos cross to the GUI thread through the application object,
    // which outlives every run; the receiver is checked there.
    auto handOver = [receiver = QPointer<QObject>(receiver), finished = std::move(finished)](
                        std::vector<ImageMetadata> photos, std::shared_ptr<const StatsTally> tally) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [receiver, finished, photos = std::move(photos), tally = std::move(tally)]() mutable {
                if (receiver)
                    finished(std::move(photos), std::move(tally));
            },
            Qt::QueuedConnection);
    };
    job_ = std::make_shared<ReadJob>(RunThreads::shared().cores(), std::move(handOver));
}

ProcessingRun::~ProcessingRun()
{
    job_->stopped = true;
}

void ProcessingRun::start()
{
    RunThreads::shared().startWorking(
        [job = job_, locations = std::move(locations_)] { walkAndRead(job, locations); });
}

bool ProcessingRun::waitForReads(std::chrono::milliseconds timeout)
{
    return RunThreads::shared().waitForIdle(timeout);
}

} // namespace optara
