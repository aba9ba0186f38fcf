#pragma once

#include "ImageMetadata.h"

#include <QObject>

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

namespace optara {

class StatsTally;

// One processing run, started by its construction: the walk, then the reads,
// then the hand-over of the photos. Made and owned on the GUI thread; the walk
// and the reads run on RunThreads, so the GUI thread takes no part until the
// hand-over. A run destroyed before its end stops reading within one file,
// and its threads free what it read.
class ProcessingRun {
  public:
    // On the GUI thread, unless receiver is gone by then: the photos in the
    // order gathered, and their counts.
    using Finished = std::function<void(std::vector<ImageMetadata>, std::shared_ptr<const StatsTally>)>;

    // How far a run is: files found while it walks, then files read of those found.
    struct Progress {
        std::size_t filesFound = 0;
        std::size_t filesRead = 0;
        bool walking = true;
    };

    ProcessingRun(std::vector<std::filesystem::path> locations, QObject* receiver, Finished finished);
    ~ProcessingRun();
    ProcessingRun(const ProcessingRun&) = delete;
    ProcessingRun& operator=(const ProcessingRun&) = delete;

    // From any thread, at any time.
    Progress progress() const;

    // Waits until no run reads any more. False when reads are still going
    // after the timeout: a share that stopped answering holds them.
    static bool waitForReads(std::chrono::milliseconds timeout);

  private:
    class Reading;
    std::shared_ptr<Reading> reading_;
};

} // namespace optara
