#pragma once

#include "ImageMetadata.h"

#include <QObject>
#include <QPointer>

#include <chrono>
#include <filesystem>
#include <memory>
#include <vector>

namespace optara {

class AppViewModel;
class ReadJob;
class StatsTally;

// One processing run: the walk, then the reads, then the hand-over of the
// batch. The walk and the readers run on the pool and start further readers
// themselves, so the GUI thread takes no part between start() and the
// hand-over. Lives on the GUI thread and deletes itself at the hand-over,
// which the last reader posts. A run whose view model is gone stops reading
// within one file.
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

  private:
    // On the pool.
    static int startReaders(const std::shared_ptr<ReadJob>& job, ProcessingRun* run);
    static void read(const std::shared_ptr<ReadJob>& job, ProcessingRun* run);
    static void finishReads(ReadJob& job, ProcessingRun* run);

    void handOver(std::vector<ImageMetadata> batch, std::shared_ptr<const StatsTally> tally);

    QPointer<AppViewModel> owner_;
    std::vector<std::filesystem::path> locations_;
    std::shared_ptr<ReadJob> job_;
};

} // namespace optara
