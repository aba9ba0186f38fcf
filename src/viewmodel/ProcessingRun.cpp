#include "ProcessingRun.h"

#include "AppViewModel.h"
#include "MetadataReader.h"
#include "ReadAhead.h"

#include <QFuture>
#include <QThreadPool>
#include <QtConcurrent>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <iterator>
#include <span>
#include <utility>

namespace fs = std::filesystem;

namespace optara {

namespace {

// A run's threads give way to the GUI thread; the pool serves only runs, so
// they keep it. At equal priority, a reader that has waited while the GUI
// thread ran for a while (a long frame, or a virtual CPU its host took away)
// then holds the CPU until it has caught up, often over 16 ms; at nice 5 for
// a third of that. Against other programs a run keeps a quarter of a core.
void yieldToGuiThread()
{
    constexpr int workerNice = 5;
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), workerNice);
}

std::vector<ImageMetadata> readChunk(const std::shared_ptr<const std::vector<fs::path>>& files,
                                     std::size_t begin, std::size_t end)
{
    // The chunk's files come from the disk together rather than one by one.
    // Done on this thread: threads of their own for it were busy on the CPU,
    // not waiting for the disk, and only competed with the readers.
    yieldToGuiThread();
    readAhead(std::span(*files).subspan(begin, end - begin));
    std::vector<ImageMetadata> records;
    records.reserve(end - begin);
    for (std::size_t i = begin; i < end; ++i) {
        if (auto record = MetadataReader::shared().readMetadata((*files)[i]))
            records.push_back(std::move(*record));
    }
    return records;
}

} // namespace

ProcessingRun::ProcessingRun(AppViewModel* owner, std::vector<fs::path> locations)
    : owner_(owner), locations_(std::move(locations))
{
}

void ProcessingRun::start()
{
    if (!owner_) {
        deleteLater();
        return;
    }
    QtConcurrent::run([locations = std::move(locations_)] {
        yieldToGuiThread();
        return std::make_shared<const Candidates>(AppViewModel::gatherFiles(locations));
    }).then(this, [this](std::shared_ptr<const Candidates> files) { read(std::move(files)); });
}

void ProcessingRun::read(std::shared_ptr<const Candidates> files)
{
    const std::size_t count = files->size();
    if (count == 0 || !owner_) {
        finish();
        return;
    }
    // No reallocation of the batch while results arrive: moving tens of
    // thousands of records at once would stall the GUI thread.
    batch_.reserve(count);
    // Small chunks keep every core busy to the end; a few hundred files per
    // chunk keep the GUI thread's share to one event per chunk.
    const auto threads =
        static_cast<std::size_t>(std::max(1, QThreadPool::globalInstance()->maxThreadCount()));
    chunk_ = std::clamp<std::size_t>(count / (threads * 8), 1, 256);
    // Counted up front: a chunk done before then() is collected at once.
    chunksOutstanding_ = (count + chunk_ - 1) / chunk_;
    files_ = std::move(files);
    // A window of chunks in the pool, topped up as each one comes back:
    // queuing thousands at once would hold the GUI thread for tens of ms.
    constexpr int chunksInFlight = 64;
    for (int i = 0; i < chunksInFlight && files_; ++i)
        readNextChunk();
}

void ProcessingRun::readNextChunk()
{
    std::shared_ptr<const Candidates> files = files_;
    const std::size_t begin = nextBegin_;
    const std::size_t end = std::min(files->size(), begin + chunk_);
    nextBegin_ = end;
    if (end == files->size())
        files_.reset(); // the last job to let go of the paths frees them, on its worker thread
    QtConcurrent::run(readChunk, std::move(files), begin, end)
        .then(this, [this](QFuture<std::vector<ImageMetadata>> read) { collect(read.takeResult()); });
}

// One chunk has been read. Nothing is published until the last one.
void ProcessingRun::collect(std::vector<ImageMetadata> records)
{
    std::move(records.begin(), records.end(), std::back_inserter(batch_));
    if (files_ && !owner_) { // its window is gone: read no further
        chunksOutstanding_ -= (files_->size() - nextBegin_ + chunk_ - 1) / chunk_;
        files_.reset();
    }
    if (files_)
        readNextChunk();
    if (--chunksOutstanding_ == 0)
        finish();
}

void ProcessingRun::finish()
{
    if (owner_)
        owner_->finishRun(std::move(batch_));
    deleteLater();
}

} // namespace optara
