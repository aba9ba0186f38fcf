#include "ReadAhead.h"

#include "FileDescriptor.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace optara {

namespace {

// The reader looks only at the segments before the image data.
constexpr off_t headBytes = 128 * 1024;

// Non-blocking and no controlling terminal, as the reader opens files.
int openToRead(const std::string& file)
{
    return ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
}

bool isRegular(int fd)
{
    struct stat status {};
    return ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
}

// Whether the open file's first page is in memory. Asked of the page cache,
// as a read that must not wait (RWF_NOWAIT) still starts reading a missing
// page, which a fast disk then serves in time to pass.
bool inMemory(int fd)
{
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    void* map = ::mmap(nullptr, page, PROT_READ, MAP_SHARED, fd, 0);
    if (map == MAP_FAILED)
        return true; // an empty file
    unsigned char resident = 0;
    const bool cached = ::mincore(map, page, &resident) == 0 && (resident & 1) != 0;
    ::munmap(map, page);
    return cached;
}

} // namespace

void readAhead(std::span<const std::string> files)
{
    if (files.empty())
        return;
    {
        const exif::FileDescriptor last(openToRead(files.back()));
        if (last.get() < 0 || !isRegular(last.get()) || inMemory(last.get()))
            return;
    }
    for (const std::string& file : files) {
        const exif::FileDescriptor fd(openToRead(file));
        if (fd.get() >= 0 && isRegular(fd.get()))
            ::posix_fadvise(fd.get(), 0, headBytes, POSIX_FADV_WILLNEED); // starts the read, does not wait
    }
}

} // namespace optara
