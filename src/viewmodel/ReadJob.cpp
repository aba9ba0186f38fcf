#include "ReadJob.h"

#include <algorithm>
#include <thread>
#include <utility>

namespace optara {

ReadJob::ReadJob() : concurrency(static_cast<int>(std::thread::hardware_concurrency()), mostReaders)
{
}

void ReadJob::setFiles(std::vector<std::filesystem::path> files)
{
    files_ = std::move(files);
    const std::size_t length = (files_.size() + mostReaders - 1) / mostReaders;
    for (std::size_t lane = 0; lane < mostReaders; ++lane) {
        lanes_[lane].next = std::min(files_.size(), lane * length);
        lanes_[lane].end = std::min(files_.size(), (lane + 1) * length);
    }
}

bool ReadJob::exhausted() const
{
    return std::all_of(lanes_.begin(), lanes_.end(), [](const Lane& lane) {
        return lane.next.load(std::memory_order_relaxed) >= lane.end;
    });
}

std::size_t ReadJob::laneToStart()
{
    return nextLane_.fetch_add(1, std::memory_order_relaxed) % mostReaders;
}

std::optional<std::size_t> ReadJob::claim(std::size_t& lane)
{
    for (int tried = 0; tried < mostReaders; ++tried, lane = (lane + 1) % mostReaders) {
        const std::size_t file = lanes_[lane].next.fetch_add(1, std::memory_order_relaxed);
        if (file < lanes_[lane].end)
            return file;
    }
    return std::nullopt;
}

void ReadJob::count(const StatsTally& slice)
{
    const std::lock_guard lock(tallyMutex_);
    tally_.merge(slice, 0);
}

StatsTally ReadJob::takeTally()
{
    const std::lock_guard lock(tallyMutex_);
    return std::move(tally_);
}

} // namespace optara
