#pragma once

#include "ByteSource.h"

#include <memory>

namespace optara::exif {

// A window over an open file, refilled with pread on a miss. A miss reads
// what was asked plus a little more, so the small segments after a large one
// come in the same call. No single request may exceed maxRequest bytes.
class FileWindow final : public ByteSource {
  public:
    static constexpr std::size_t maxRequest = 65536;
    static constexpr std::size_t lookAhead = 8192;

    FileWindow(int fd, std::uint64_t fileSize) : fd_(fd), fileSize_(fileSize) {}

    std::uint64_t size() const override { return fileSize_; }
    std::optional<std::span<const std::uint8_t>> bytes(std::uint64_t offset, std::uint64_t size) override;

  private:
    std::size_t readAt(std::uint64_t offset, std::size_t size);

    int fd_;
    std::uint64_t fileSize_;
    std::unique_ptr<std::uint8_t[]> buffer_;
    std::uint64_t start_ = 0;
    std::size_t length_ = 0;
};

} // namespace optara::exif
