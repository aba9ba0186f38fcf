#pragma once

#include <atomic>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <vector>

namespace optara {

// Gets the disk going on the heads of a run's files, in list order, ahead of
// their reads. A disk serves many requests at once, so many threads share the
// work; each blocks only while opening a file that is not in memory.
class ReadAhead {
  public:
    explicit ReadAhead(std::shared_ptr<const std::vector<std::filesystem::path>> files);

    // Any number of threads at once; returns when no file is left to claim.
    void work();

  private:
    std::shared_ptr<const std::vector<std::filesystem::path>> files_;
    std::atomic<std::size_t> next_ = 0;
};

} // namespace optara
