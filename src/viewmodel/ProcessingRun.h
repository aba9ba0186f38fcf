#pragma once

#include "ImageMetadata.h"

#include <QObject>
#include <QPointer>

#include <chrono>
#include <filesystem>
#include <memory>
#include <vector>

class AppViewModel;

namespace optara {

class ReadJob;
class StatsTally;

// One processing run: the walk, then the reads, then the hand-over of the
// batch. Lives on the GUI thread and deletes itself once every reader has
// reported back, so no worker ever delivers to a deleted run. A run whose
// view model is gone stops reading within one file.
class ProcessingRun : public QObject {
  public:
    ProcessingRun(AppViewModel* owner, std::vector<std::filesystem::path> locations);

    void start();

    // Gives every thread a heap of its own. Called first in main, before any
    // thread starts.
    static void separateThreadHeaps();

    // Waits until no run reads any more. False when reads are still going
    // after the timeout: a share that stopped answering holds them.
    static bool waitForReads(std::chrono::milliseconds timeout);

    // The photos one reader read, each with the position of its file in the run.
    struct Slice {
        std::vector<ImageMetadata> photos;
        std::vector<std::size_t> files;
    };

  private:
    void read(std::vector<std::filesystem::path> files);
    void startReaders();
    void collect(Slice slice);
    void finish();
    void handOver(std::vector<ImageMetadata> batch, std::shared_ptr<const StatsTally> tally);

    QPointer<AppViewModel> owner_;
    std::vector<std::filesystem::path> locations_;
    std::shared_ptr<ReadJob> job_;
    int readersRunning_ = 0;
    // Kept as the readers made them: the GUI thread moves no photo.
    std::vector<Slice> slices_;
};

} // namespace optara
