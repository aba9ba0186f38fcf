#pragma once

#include "ImageMetadata.h"
#include "ReadConcurrency.h"
#include "StatsTally.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace optara {

// What a run's walk and readers share: the files, which to read next, what
// has been read, whether to stop, and how to hand the photos over. The files
// are set once, before any reader starts.
//
// The list is cut into as many lanes as there can be readers, and each slice
// of reading starts down a lane of its own: readers served from memory keep
// to neighbouring files, while many readers waiting on a disk or a share ask
// for files far apart (neighbouring files read at once queue behind each
// other where they are stored). A reader whose lane is done helps in the next.
class ReadJob {
  public:
    // Enough to keep a share's round trips overlapped; threads that wait cost
    // no CPU.
    static constexpr int mostReaders = 64;

    // The photos one slice of reading found, each with its file's position.
    struct Slice {
        std::vector<ImageMetadata> photos;
        std::vector<std::size_t> files;
    };
    // Called once, by the thread that ends the run: the photos in the order
    // of their files, none if the run was stopped, and their counts.
    using HandOver = std::function<void(std::vector<ImageMetadata>, std::shared_ptr<const StatsTally>)>;

    ReadJob(int cores, HandOver handOver);

    void setFiles(std::vector<std::string> files);
    const std::string& file(std::size_t index) const { return files_[index]; }
    bool exhausted() const;

    // The lane a new slice starts down.
    std::size_t laneToStart();
    // The next file down the reader's lane or, once that is done, the next
    // lane with files left; none when every file is taken.
    std::optional<std::size_t> claim(std::size_t& lane);
    // Up to count files from the first on, down its lane.
    std::span<const std::string> laneFiles(std::size_t first, std::size_t count) const;

    // Keeps a slice's photos and adds its counts; positions are the files'.
    void keep(Slice slice, const StatsTally& tally);
    // Once no reader reads any more: puts the photos in the order of their
    // files, whatever order the slices ended in, frees the files and hands
    // the photos over.
    void finish();

    std::atomic<bool> stopped = false;
    // Readers that keep a CPU busy, one per core, and readers beyond them
    // that overlap waits.
    std::atomic<int> readersRunning = 0;
    std::atomic<int> waitingReaders = 0;
    ReadConcurrency concurrency;

  private:
    // Files in each lane but the last, which may hold fewer.
    std::size_t laneLength() const;

    struct Lane {
        std::atomic<std::size_t> next = 0;
        std::size_t end = 0;
    };

    std::vector<std::string> files_;
    std::array<Lane, mostReaders> lanes_;
    std::atomic<std::size_t> nextLane_ = 0;
    std::mutex readMutex_;
    // The photos kept so far, each with its file's position.
    std::vector<ImageMetadata> photos_;
    std::vector<std::size_t> positions_;
    StatsTally tally_;
    HandOver handOver_;
};

} // namespace optara
