#pragma once

#include "ImageMetadata.h"

#include <QObject>
#include <QPointer>

#include <cstddef>
#include <filesystem>
#include <memory>
#include <vector>

class AppViewModel;

namespace optara {

// One processing run: the walk, then the reads in chunks, then the hand-over
// of the batch. Lives on the GUI thread and deletes itself once every chunk
// has reported back, so no worker ever delivers to a deleted run.
class ProcessingRun : public QObject {
  public:
    ProcessingRun(AppViewModel* owner, std::vector<std::filesystem::path> locations);

    void start();

  private:
    using Candidates = std::vector<std::filesystem::path>;

    void read(std::shared_ptr<const Candidates> files);
    void readNextChunk();
    void collect(std::vector<ImageMetadata> records);
    void finish();

    QPointer<AppViewModel> owner_;
    std::vector<std::filesystem::path> locations_;
    std::shared_ptr<const Candidates> files_; // until its last chunk is queued
    std::size_t chunk_ = 1;
    std::size_t nextBegin_ = 0;
    std::vector<ImageMetadata> batch_;
    std::size_t chunksOutstanding_ = 0;
};

} // namespace optara
