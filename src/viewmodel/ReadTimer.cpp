#include "ReadTimer.h"

#include <unistd.h>

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <memory>

namespace optara {

namespace {

// Often enough to react within a few round trips of a share, rarely enough
// to cost nothing beside reads served from memory.
constexpr auto sampleEvery = std::chrono::milliseconds(2);

} // namespace

ReadTimer::ReadTimer() : start_(Clock::now()), sampledAt_(start_), sampled_(threadTimes())
{
}

std::optional<ReadTimer::Spent> ReadTimer::sample()
{
    const auto now = Clock::now();
    if (now - sampledAt_ < sampleEvery)
        return std::nullopt;
    const std::optional<ThreadTimes> times = threadTimes();
    std::optional<Spent> spent;
    if (times && sampled_) {
        const auto onCpu = times->onCpu - sampled_->onCpu;
        const auto waiting = times->waitingForCpu - sampled_->waitingForCpu;
        const auto blocked =
            std::chrono::duration_cast<std::chrono::nanoseconds>(now - sampledAt_) - onCpu - waiting;
        spent = Spent{onCpu, blocked};
    }
    sampledAt_ = now;
    sampled_ = times;
    return spent;
}

std::optional<ReadTimer::ThreadTimes> ReadTimer::threadTimes()
{
    // "time on a CPU, time runnable waiting for one, timeslices", in ns.
    // /proc/thread-self resolves when opened, so each thread keeps its own.
    thread_local const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(
        std::fopen("/proc/thread-self/schedstat", "re"), std::fclose);
    char text[96];
    const ssize_t size = file ? ::pread(::fileno(file.get()), text, sizeof text, 0) : -1;
    if (size <= 0)
        return std::nullopt;
    const char* const end = text + size;
    std::uint64_t onCpu = 0;
    std::uint64_t waiting = 0;
    const auto first = std::from_chars(text, end, onCpu);
    if (first.ec != std::errc() || first.ptr == end || *first.ptr != ' ')
        return std::nullopt;
    if (std::from_chars(first.ptr + 1, end, waiting).ec != std::errc())
        return std::nullopt;
    using std::chrono::nanoseconds;
    return ThreadTimes{nanoseconds(static_cast<nanoseconds::rep>(onCpu)),
                       nanoseconds(static_cast<nanoseconds::rep>(waiting))};
}

} // namespace optara
