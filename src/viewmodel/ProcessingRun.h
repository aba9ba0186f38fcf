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

// One processing run: the walk, then the reads, then the hand-over of the
// batch. Lives on the GUI thread and deletes itself once every reader has
// reported back, so no worker ever delivers to a deleted run. A run whose
// view model is gone stops reading within one file.
class ProcessingRun : public QObject {
  public:
    ProcessingRun(AppViewModel* owner, std::vector<std::filesystem::path> locations);

    void start();

    // Waits until no run reads any more. False when reads are still going
    // after the timeout: a share that stopped answering holds them.
    static bool waitForReads(std::chrono::milliseconds timeout);

  private:
    void read(std::vector<std::filesystem::path> files);
    void startReaders();
    void collect(std::vector<ImageMetadata> records);
    void finish();

    QPointer<AppViewModel> owner_;
    std::vector<std::filesystem::path> locations_;
    std::shared_ptr<ReadJob> job_;
    int readersRunning_ = 0;
    std::vector<ImageMetadata> batch_;
};

} // namespace optara
