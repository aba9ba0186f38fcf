#include "ProcessingRun.h"

#include "AppViewModel.h"
#include "MetadataReader.h"
#include "ReadJob.h"
#include "ReadTimer.h"
#include "StatsTally.h"

#include <QFuture>
#include <QThreadPool>
#include <QtConcurrent>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
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
ProcessingRun::ReadPhotos readSlice(const std::shared_ptr<ReadJob>& job)
{
    constexpr std::size_t sliceFiles = 256;
    constexpr auto sliceTime = std::chrono::milliseconds(100);
    yieldToGuiThread();
    ProcessingRun::ReadPhotos slice;
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
std::vector<ImageMetadata> inFileOrder(ProcessingRun::ReadPhotos read, std::size_t files)
{
    constexpr std::size_t none = SIZE_MAX;
    std::vector<std::size_t> photoOfFile(files, none);
    for (std::size_t photo = 0; photo < read.files.size(); ++photo)
        photoOfFile[read.files[photo]] = photo;
    std::vector<ImageMetadata> ordered;
    ordered.reserve(read.photos.size());
    for (const std::size_t photo : photoOfFile) {
        if (photo != none)
            ordered.push_back(std::move(read.photos[photo]));
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
    // No reallocation while results arrive: moving tens of thousands of
    // records at once would stall the GUI thread.
    read_.photos.reserve(files.size());
    read_.files.reserve(files.size());
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
        QtConcurrent::run(&runPool(), readSlice, job_).then(this, [this](QFuture<ReadPhotos> slice) {
            collect(slice.takeResult());
        });
    }
}

// One slice has been read. Nothing is published until the last one.
void ProcessingRun::collect(ReadPhotos slice)
{
    --readersRunning_;
    std::move(slice.photos.begin(), slice.photos.end(), std::back_inserter(read_.photos));
    read_.files.insert(read_.files.end(), slice.files.begin(), slice.files.end());
    startReaders();
    if (readersRunning_ == 0 && job_)
        finish();
}

// Putting a million photos in order and freeing a million paths take tens of
// ms: a worker does both.
void ProcessingRun::finish()
{
    if (!owner_) {
        runPool().start([job = std::move(job_), read = std::move(read_)] {});
        deleteLater();
        return;
    }
    QtConcurrent::run(&runPool(),
                      [job = std::move(job_), read = std::move(read_)]() mutable {
                          auto tally = std::make_shared<const StatsTally>(job->takeTally());
                          return std::pair(inFileOrder(std::move(read), job->fileCount()), std::move(tally));
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
