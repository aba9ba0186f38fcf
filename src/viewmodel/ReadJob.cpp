#include "ReadJob.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <utility>

namespace optara {

ReadJob::ReadJob(int cores, HandOver handOver)
    : concurrency(cores, mostReaders), handOver_(std::move(handOver))
{
}

std::size_t ReadJob::laneLength() const
{
    return (files_.size() + mostReaders - 1) / mostReaders;
}

void ReadJob::setFiles(std::vector<std::string> files)
{
    files_ = std::move(files);
    // Room for every file's photo up front: the block is the system's own
    // mapping, resident only as photos fill it and handed back whole, where
    // photos in many small blocks would leave part-used pages behind.
    photos_.reserve(files_.size());
    positions_.reserve(files_.size());
    const std::size_t length = laneLength();
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

std::span<const std::string> ReadJob::laneFiles(std::size_t first, std::size_t count) const
{
    if (first >= files_.size())
        return {};
    const std::size_t length = laneLength();
    const std::size_t laneEnd = std::min(files_.size(), (first / length + 1) * length);
    return std::span(files_).subspan(first, std::min(count, laneEnd - first));
}

void ReadJob::keep(Slice slice, const StatsTally& tally)
{
    const std::lock_guard lock(readMutex_);
    tally_.merge(tally, 0);
    std::move(slice.photos.begin(), slice.photos.end(), std::back_inserter(photos_));
    positions_.insert(positions_.end(), slice.files.begin(), slice.files.end());
}

void ReadJob::finish()
{
    std::unique_lock lock(readMutex_);
    // Which kept photo each file gave, then the kept photos in file order.
    constexpr std::uint32_t none = UINT32_MAX;
    std::vector<std::uint32_t> photoOfFile(files_.size(), none);
    std::vector<std::string>().swap(files_);
    for (std::size_t photo = 0; photo < positions_.size(); ++photo)
        photoOfFile[positions_[photo]] = static_cast<std::uint32_t>(photo);
    std::vector<std::size_t>().swap(positions_);
    std::vector<std::uint32_t> source;
    source.reserve(photos_.size());
    for (const std::uint32_t photo : photoOfFile) {
        if (photo != none)
            source.push_back(photo);
    }
    std::vector<std::uint32_t>().swap(photoOfFile);
    // Moved into place cycle by cycle, so the photos are never held twice.
    for (std::size_t start = 0; start < source.size(); ++start) {
        if (source[start] == start)
            continue;
        ImageMetadata first = std::move(photos_[start]);
        std::size_t place = start;
        while (source[place] != start) {
            const std::size_t from = source[place];
            photos_[place] = std::move(photos_[from]);
            source[place] = static_cast<std::uint32_t>(place);
            place = from;
        }
        photos_[place] = std::move(first);
        source[place] = static_cast<std::uint32_t>(place);
    }
    std::vector<std::uint32_t>().swap(source);
    // A stopped run's photos are freed here, not on the GUI thread.
    if (stopped)
        std::vector<ImageMetadata>().swap(photos_);
    auto tally = std::make_shared<const StatsTally>(std::move(tally_));
    std::vector<ImageMetadata> photos = std::move(photos_);
    lock.unlock();
    handOver_(std::move(photos), std::move(tally));
}

} // namespace optara
