#pragma once

#include "ByteSource.h"

#include <limits>
#include <memory>

#include <sys/types.h>

namespace optara::exif {

// A window over an open file, refilled with pread on a miss. A miss reads
// what was asked plus a little more, so the small segments after a large one
// come in the same call. No single request may exceed maxRequest bytes. The
// file's size is learnt where a read ends short, which spares every file a
// stat: the window opens on the file's first bytes, so a small file's size
// is known at once. A file that refuses pread, as gvfs serves FTP through
// FUSE, is read on from where the last read ended, forward only.
class FileWindow final : public ByteSource {
  public:
    static constexpr std::size_t maxRequest = 65536;
    static constexpr std::size_t lookAhead = 8192;

    explicit FileWindow(int fd);

    // Exact once a read has reached the end of the file; until then no bound.
    std::uint64_t size() const override { return fileSize_; }
    std::optional<std::span<const std::uint8_t>> bytes(std::uint64_t offset, std::uint64_t size) override;

  private:
    // The size bytes at offset and the look-ahead after them, as far as the file goes.
    void fill(std::uint64_t offset, std::uint64_t size);
    std::size_t readAt(std::uint64_t offset, std::size_t size);
    ssize_t readOn(std::uint64_t offset, std::uint8_t* into, std::size_t size);

    int fd_;
    std::uint64_t fileSize_ = std::numeric_limits<std::uint64_t>::max();
    std::unique_ptr<std::uint8_t[]> buffer_;
    std::uint64_t start_ = 0;
    std::size_t length_ = 0;
    bool streaming_ = false;
    std::uint64_t streamed_ = 0; // where the next read begins, once streaming
};

} // namespace optara::exif
