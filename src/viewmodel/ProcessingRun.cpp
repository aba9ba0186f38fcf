#include "ProcessingRun.h"

#include "AppViewModel.h"
#include "MetadataReader.h"
#include "ReadJob.h"
#include "ReadTimer.h"
#include "StatsTally.h"

#include <QFuture>
#include <QThreadPool>
#include <QtConcurrent>

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
QThreadPool& runPool()
{
    struct RunPool : QThreadPool {
        RunPool() { setMaxThreadCount(ReadJob::mostReaders + 1); }
    };
    static RunPool pool;
    return pool;
}

// A run's threads give way to the GUI thread, so a reader that has waited
// while the GUI thread ran does not then hold the CPU for a frame or more to
// catch up. The pool serves only runs, so its threads keep the priority.
void yieldToGuiThread()
{
    constexpr int workerNice = 5;
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), workerNice);
}

// One reader's slice of a run: files taken one at a time until none are
// left, the run stops, the slice is full, or the run wants more readers.
// Slices keep the GUI thread's share to one event per slice. The slice's
// photos are counted here, off the GUI thread.
ProcessingRun::Slice readSlice(const std::shared_ptr<ReadJob>& job)
{
    constexpr std::size_t sliceFiles = 256;
    constexpr auto sliceTime = std::chrono::milliseconds(100);
    yieldToGuiThread();
    ProcessingRun::Slice slice;
    slice.photos.reserve(sliceFiles);
    slice.files.reserve(sliceFiles);
    StatsTally tally;
    ReadTimer timer(job->concurrency);
    std::size_t lane = job->laneToStart();
    for (std::size_t n = 0; n < sliceFiles && !job->stopped.load(std::memory_order_relaxed); ++n) {
        const std::optional<std::size_t> file = job->claim(lane);
        if (!file)
            break;
        if (auto record = MetadataReader::shared().readMetadata(job->file(*file))) {
            tally.add(*record, *file);
            slice.photos.push_back(std::move(*record));
            slice.files.push_back(*file);
        }
        if (timer.fileRead() || timer.elapsed() >= sliceTime)
            break;
    }
    job->count(tally);
    return slice;
}

// The photos in the order of their files, whatever order the readers
// finished in, so that one drop always gives one batch.
std::vector<ImageMetadata> inFileOrder(std::vector<ProcessingRun::Slice> slices, std::size_t files)
{
    struct Place {
        std::uint32_t slice = UINT32_MAX;
        std::uint32_t photo = 0;
    };
    std::vector<Place> places(files);
    std::size_t photos = 0;
    for (std::size_t slice = 0; slice < slices.size(); ++slice) {
        const std::vector<std::size_t>& read = slices[slice].files;
        for (std::size_t photo = 0; photo < read.size(); ++photo)
            places[read[photo]] = {static_cast<std::uint32_t>(slice), static_cast<std::uint32_t>(photo)};
        photos += read.size();
    }
    std::vector<ImageMetadata> ordered;
    ordered.reserve(photos);
    for (const Place& place : places) {
        if (place.slice != UINT32_MAX)
            ordered.push_back(std::move(slices[place.slice].photos[place.photo]));
    }
    return ordered;
}

} // namespace

ProcessingRun::ProcessingRun(AppViewModel* owner, std::vector<fs::path> locations)
    : owner_(owner), locations_(std::move(locations)), job_(std::make_shared<ReadJob>())
{
    if (owner != nullptr)
        connect(owner, &QObject::destroyed, this, [this] {
            if (job_)
                job_->stopped = true;
        });
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
    QtConcurrent::run(&runPool(), [locations = std::move(locations_)] {
        yieldToGuiThread();
        return AppViewModel::gatherFiles(locations);
    }).then(this, [this](QFuture<std::vector<fs::path>> walk) { read(walk.takeResult()); });
}

void ProcessingRun::read(std::vector<fs::path> files)
{
    if (files.empty() || !owner_) {
        finish();
        return;
    }
    job_->setFiles(std::move(files)); // before any reader starts, so never read concurrently
    startReaders();
}

// A slice read before then() is collected inside it, and may finish the run:
// then there is no job left to start readers for.
void ProcessingRun::startReaders()
{
    // At most twice as many readers at a time: a burst of tens of threads
    // waking at once would hold the GUI thread off its CPU.
    const int most = 2 * readersRunning_ + 2;
    while (job_ && !job_->stopped && !job_->exhausted() &&
           readersRunning_ < std::min(most, job_->concurrency.readers())) {
        ++readersRunning_;
        QtConcurrent::run(&runPool(), readSlice, job_).then(this, [this](QFuture<Slice> slice) {
            collect(slice.takeResult());
        });
    }
}

// One slice has been read. Nothing is published until the last one.
void ProcessingRun::collect(Slice slice)
{
    --readersRunning_;
    if (!slice.photos.empty())
        slices_.push_back(std::move(slice));
    startReaders();
    if (readersRunning_ == 0 && job_)
        finish();
}

// Putting a million photos in order and freeing a million paths take tens of
// ms: a worker does both.
void ProcessingRun::finish()
{
    if (!owner_) {
        runPool().start([job = std::move(job_), slices = std::move(slices_)] {});
        deleteLater();
        return;
    }
    QtConcurrent::run(&runPool(),
                      [job = std::move(job_), slices = std::move(slices_)]() mutable {
                          auto tally = std::make_shared<const StatsTally>(job->takeTally());
                          return std::pair(inFileOrder(std::move(slices), job->fileCount()),
                                           std::move(tally));
                      })
        .then(
            this,
            [this](QFuture<std::pair<std::vector<ImageMetadata>, std::shared_ptr<const StatsTally>>> batch) {
                auto [photos, tally] = batch.takeResult();
                handOver(std::move(photos), std::move(tally));
            });
}

void ProcessingRun::handOver(std::vector<ImageMetadata> batch, std::shared_ptr<const StatsTally> tally)
{
    if (owner_)
        owner_->finishRun(std::move(batch), std::move(tally));
    else
        runPool().start([batch = std::move(batch)] {});
    deleteLater();
}

} // namespace optara
