#pragma once

#include <filesystem>
#include <vector>

namespace optara::testing {

// Counts the files opened in some folders from its construction on, as the
// kernel reports them (inotify); opened folders do not count.
class FileOpenCounter {
  public:
    explicit FileOpenCounter(const std::vector<std::filesystem::path>& folders);
    ~FileOpenCounter();
    FileOpenCounter(const FileOpenCounter&) = delete;
    FileOpenCounter& operator=(const FileOpenCounter&) = delete;

    // The files opened so far; more than any real count once the kernel has
    // dropped events for being too many.
    long opened();

  private:
    int fd_;
    long opened_ = 0;
};

} // namespace optara::testing
