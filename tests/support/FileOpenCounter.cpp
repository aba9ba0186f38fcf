#include "FileOpenCounter.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <climits>
#include <cstring>

namespace optara::testing {

FileOpenCounter::FileOpenCounter(const std::vector<std::filesystem::path>& folders)
    : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
{
    for (const auto& folder : folders)
        ::inotify_add_watch(fd_, folder.c_str(), IN_OPEN);
}

FileOpenCounter::~FileOpenCounter()
{
    ::close(fd_);
}

long FileOpenCounter::opened()
{
    alignas(inotify_event) char buffer[64 * 1024];
    ssize_t size = 0;
    while ((size = ::read(fd_, buffer, sizeof buffer)) > 0) {
        for (ssize_t at = 0; at < size;) {
            inotify_event event;
            std::memcpy(&event, buffer + at, sizeof event);
            if (event.mask & IN_Q_OVERFLOW)
                opened_ = LONG_MAX / 2;
            else if (!(event.mask & IN_ISDIR))
                ++opened_;
            at += static_cast<ssize_t>(sizeof event + event.len);
        }
    }
    return opened_;
}

} // namespace optara::testing
