#include "ReadJob.h"

#include <algorithm>
#include <cstdint>
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
    if (!slice.photos.empty())
        slices_.push_back(std::move(slice));
}

void ReadJob::finish()
{
    std::unique_lock lock(readMutex_);
    struct Place {
        std::uint32_t slice = UINT32_MAX;
        std::uint32_t photo = 0;
    };
    std::vector<Place> places(files_.size());
    std::vector<std::string>().swap(files_);
    std::size_t photos = 0;
    std::vector<std::size_t> left(slices_.size());
    for (std::size_t slice = 0; slice < slices_.size(); ++slice) {
        std::vector<std::size_t>& read = slices_[slice].files;
        for (std::size_t photo = 0; photo < read.size(); ++photo)
            places[read[photo]] = {static_cast<std::uint32_t>(slice), static_cast<std::uint32_t>(photo)};
        photos += read.size();
        left[slice] = read.size();
        std::vector<std::size_t>().swap(read);
    }
    // Each slice is freed once its last photo has moved, so the photos are
    // held about once, not twice, on the way.
    std::vector<ImageMetadata> ordered;
    ordered.reserve(photos);
    for (const Place& place : places) {
        if (place.slice == UINT32_MAX)
            continue;
        std::vector<ImageMetadata>& slice = slices_[place.slice].photos;
        ordered.push_back(std::move(slice[place.photo]));
        if (--left[place.slice] == 0)
            std::vector<ImageMetadata>().swap(slice);
    }
    std::vector<Slice>().swap(slices_);
    // A stopped run's photos are freed here, not on the GUI thread.
    if (stopped)
        std::vector<ImageMetadata>().swap(ordered);
    auto tally = std::make_shared<const StatsTally>(std::move(tally_));
    lock.unlock();
    handOver_(std::move(ordered), std::move(tally));
}

} // namespace optara
