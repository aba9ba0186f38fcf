#include "ReadAhead.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace optara {

namespace {

// The reader looks only at the segments before the image data.
constexpr off_t headBytes = 128 * 1024;

// Non-blocking and no controlling terminal, as the reader opens files.
int openToRead(const fs::path& file)
{
    return ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
}

bool isRegular(int fd)
{
    struct stat status {};
    return ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
}

// Whether the file's first byte can be read without waiting for the disk.
bool inMemory(const fs::path& file)
{
    const int fd = openToRead(file);
    if (fd < 0)
        return true; // nothing to fetch
    char byte = 0;
    iovec buffer{&byte, 1};
    const bool cached = !isRegular(fd) || ::preadv2(fd, &buffer, 1, 0, RWF_NOWAIT) >= 0;
    ::close(fd);
    return cached;
}

void hint(const fs::path& file)
{
    const int fd = openToRead(file);
    if (fd < 0)
        return;
    if (isRegular(fd))
        ::posix_fadvise(fd, 0, headBytes, POSIX_FADV_WILLNEED); // starts the read, does not wait for it
    ::close(fd);
}

} // namespace

void readAhead(std::span<const fs::path> files)
{
    if (files.empty() || inMemory(files.back()))
        return;
    for (const fs::path& file : files)
        hint(file);
}

} // namespace optara
