#include "FileWindow.h"

#include <algorithm>
#include <cerrno>

#include <unistd.h>

namespace optara::exif {

FileWindow::FileWindow(int fd)
    : fd_(fd), buffer_(std::make_unique_for_overwrite<std::uint8_t[]>(maxRequest + lookAhead))
{
    fill(0, 0);
}

std::optional<std::span<const std::uint8_t>> FileWindow::bytes(std::uint64_t offset, std::uint64_t size)
{
    if (offset >= start_ && offset - start_ <= length_ && size <= length_ - (offset - start_))
        return std::span<const std::uint8_t>(buffer_.get() + (offset - start_), size);
    if (size > maxRequest || offset > fileSize_ || size > fileSize_ - offset)
        return std::nullopt;
    fill(offset, size);
    if (size > length_)
        return std::nullopt;
    return std::span<const std::uint8_t>(buffer_.get(), size);
}

void FileWindow::fill(std::uint64_t offset, std::uint64_t size)
{
    const std::uint64_t wanted = std::min<std::uint64_t>(size + lookAhead, fileSize_ - offset);
    start_ = offset;
    length_ = readAt(offset, static_cast<std::size_t>(wanted));
    // A read ends short only at the end, or where the file cannot be read on.
    if (length_ < wanted)
        fileSize_ = offset + length_;
}

std::size_t FileWindow::readAt(std::uint64_t offset, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        ssize_t got =
            streaming_ ? -1
                       : ::pread(fd_, buffer_.get() + done, size - done, static_cast<off_t>(offset + done));
        if (got < 0 && (streaming_ || errno == ESPIPE)) {
            streaming_ = true;
            got = readOn(offset + done, buffer_.get() + done, size - done);
        }
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

ssize_t FileWindow::readOn(std::uint64_t offset, std::uint8_t* into, std::size_t size)
{
    if (offset < streamed_) {
        errno = ESPIPE;
        return -1;
    }
    // Skips to offset through the caller's part of the buffer, which the read then fills.
    while (streamed_ < offset) {
        const ssize_t skipped =
            ::read(fd_, into, static_cast<std::size_t>(std::min<std::uint64_t>(offset - streamed_, size)));
        if (skipped <= 0)
            return skipped;
        streamed_ += static_cast<std::uint64_t>(skipped);
    }
    const ssize_t got = ::read(fd_, into, size);
    if (got > 0)
        streamed_ += static_cast<std::uint64_t>(got);
    return got;
}

} // namespace optara::exif
