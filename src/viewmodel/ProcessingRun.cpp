#include "ProcessingRun.h"

#include "GatherFiles.h"
#include "GuiThread.h"
#include "MetadataReader.h"
#include "ProcessMemory.h"
#include "ReadAhead.h"
#include "ReadPlan.h"
#include "RunThreads.h"
#include "StatsTally.h"

#include <QPointer>

#include <algorithm>
#include <atomic>
#include <iterator>
#include <mutex>
#include <span>
#include <string>
#include <utility>

namespace fs = std::filesystem;

namespace optara {

// What a run's walk and readers share. The files are cut into chunks, each
// taken whole by one reader, which keeps the chunk's photos in their files'
// order: the chunks in turn give the photos in the walk's order, with no
// lock between readers.
class ProcessingRun::Reading : public std::enable_shared_from_this<Reading> {
  public:
    Reading(QObject* receiver, Finished finished) : receiver_(receiver), finished_(std::move(finished)) {}

    void walkThenRead(const std::vector<fs::path>& locations);
    void stop() { walk_.stopped = true; }
    Progress progress() const { return {walk_.filesFound, filesRead_, !walked_}; }

  private:
    // One reader: chunk after chunk until none is left or the run stops.
    void read();
    // The next chunk nobody reads yet, its heads asked for where the plan
    // says; past the last chunk when none is left.
    std::size_t takeChunk();
    std::span<const std::string> filesOf(std::size_t chunk) const;
    // By the last reader: the photos in order, handed to the GUI thread.
    void finish();

    // The walk's count and stop flag, which the reads heed as well.
    GatherProgress walk_;
    std::atomic<bool> walked_ = false;
    std::atomic<std::size_t> filesRead_ = 0;
    ReadPlan plan_;
    std::vector<std::string> files_;
    std::vector<std::vector<ImageMetadata>> chunks_;
    std::atomic<std::size_t> nextChunk_ = 0;
    std::atomic<int> readersLeft_ = 0;
    std::mutex tallyMutex_;
    StatsTally tally_;
    const QPointer<QObject> receiver_;
    const Finished finished_;
};

void ProcessingRun::Reading::walkThenRead(const std::vector<fs::path>& locations)
{
    plan_ = ReadPlan::forLocations(locations);
    files_ = gatherFiles(
        locations,
        [](std::function<void()> listing) { return RunThreads::shared().tryStart(std::move(listing)); },
        &walk_);
    walked_ = true;
    chunks_.resize((files_.size() + plan_.chunkFiles - 1) / plan_.chunkFiles);
    const int readers =
        static_cast<int>(std::clamp<std::size_t>(chunks_.size(), 1, static_cast<std::size_t>(plan_.readers)));
    readersLeft_ = readers;
    for (int reader = 1; reader < readers; ++reader)
        RunThreads::shared().start([reading = shared_from_this()] { reading->read(); });
    read();
}

std::span<const std::string> ProcessingRun::Reading::filesOf(std::size_t chunk) const
{
    const std::size_t first = chunk * plan_.chunkFiles;
    return std::span(files_).subspan(first, std::min(plan_.chunkFiles, files_.size() - first));
}

std::size_t ProcessingRun::Reading::takeChunk()
{
    const std::size_t chunk = nextChunk_++;
    if (chunk < chunks_.size() && plan_.readAhead)
        readAhead(filesOf(chunk));
    return chunk;
}

void ProcessingRun::Reading::read()
{
    StatsTally tally;
    // A reader takes its next chunk as it starts one, so that the disk
    // serves the next chunk's heads while this one is read.
    for (std::size_t chunk = takeChunk(); chunk < chunks_.size() && !walk_.stopped;) {
        const std::size_t next = takeChunk();
        const std::size_t first = chunk * plan_.chunkFiles;
        const std::size_t end = first + filesOf(chunk).size();
        std::vector<ImageMetadata>& photos = chunks_[chunk];
        photos.reserve(end - first);
        for (std::size_t file = first; file < end && !walk_.stopped; ++file) {
            if (auto photo = MetadataReader::shared().readMetadata(files_[file])) {
                tally.add(*photo, file);
                photos.push_back(std::move(*photo));
            }
            filesRead_.fetch_add(1, std::memory_order_relaxed);
        }
        chunk = next;
    }
    {
        const std::lock_guard lock(tallyMutex_);
        tally_.merge(tally, 0);
    }
    if (--readersLeft_ == 0)
        finish();
}

void ProcessingRun::Reading::finish()
{
    std::vector<std::string>().swap(files_);
    std::vector<ImageMetadata> photos;
    if (!walk_.stopped) {
        std::size_t count = 0;
        for (const auto& chunk : chunks_)
            count += chunk.size();
        photos.reserve(count);
        for (auto& chunk : chunks_) {
            std::move(chunk.begin(), chunk.end(), std::back_inserter(photos));
            std::vector<ImageMetadata>().swap(chunk);
        }
    }
    // A stopped run's photos are freed here, not on the GUI thread; what the
    // run held is handed back before the window builds its dashboard.
    std::vector<std::vector<ImageMetadata>>().swap(chunks_);
    returnFreedMemory();
    if (walk_.stopped)
        return;
    callOnGuiThread(receiver_, [finished = finished_, photos = std::move(photos),
                                tally = std::make_shared<const StatsTally>(std::move(tally_))]() mutable {
        finished(std::move(photos), std::move(tally));
    });
}

ProcessingRun::ProcessingRun(std::vector<fs::path> locations, QObject* receiver, Finished finished)
    : reading_(std::make_shared<Reading>(receiver, std::move(finished)))
{
    RunThreads::shared().start(
        [reading = reading_, locations = std::move(locations)] { reading->walkThenRead(locations); });
}

ProcessingRun::~ProcessingRun()
{
    reading_->stop();
}

ProcessingRun::Progress ProcessingRun::progress() const
{
    return reading_->progress();
}

bool ProcessingRun::waitForReads(std::chrono::milliseconds timeout)
{
    return RunThreads::shared().waitForIdle(timeout);
}

} // namespace optara
