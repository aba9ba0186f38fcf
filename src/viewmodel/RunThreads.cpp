#include "RunThreads.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <thread>
#include <utility>

namespace optara {

namespace {

// The scheduler weighs each nice step about 1.25 times the next. Steps enough
// that one thread per core together weighs less than one thread at the GUI's
// nice, and never fewer than five.
int workingNiceFor(int cores, int guiNice)
{
    const int steps = static_cast<int>(std::floor(std::log(cores) / std::log(1.25))) + 1;
    return std::min(guiNice + std::max(5, steps), 19);
}

int currentNice()
{
    return ::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()));
}

// A pool thread keeps its priority from task to task, and a thread may lower
// its priority but not raise it again: each pool's threads only ever take its
// own.
void setNice(int nice)
{
    thread_local bool set = false;
    if (!std::exchange(set, true))
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), nice);
}

} // namespace

RunThreads& RunThreads::shared()
{
    // Made on the GUI thread at its first run, whose priority it then reads.
    static RunThreads threads;
    return threads;
}

RunThreads::RunThreads()
    : cores_(static_cast<int>(std::max(1U, std::thread::hardware_concurrency()))),
      workingNice_(workingNiceFor(cores_, currentNice()))
{
    working_.setMaxThreadCount(cores_ + mostListings);
    waiting_.setMaxThreadCount(mostWaiting);
}

void RunThreads::startWorking(std::function<void()> task)
{
    working_.start(working(std::move(task)));
}

bool RunThreads::tryStartWorking(std::function<void()> task)
{
    return working_.tryStart(working(std::move(task)));
}

bool RunThreads::tryStartWaiting(std::function<void()> task)
{
    constexpr int lowestNice = 19;
    return waiting_.tryStart([task = std::move(task)] {
        setNice(lowestNice);
        task();
    });
}

std::function<void()> RunThreads::working(std::function<void()> task) const
{
    return [nice = workingNice_, task = std::move(task)] {
        setNice(nice);
        task();
    };
}

bool RunThreads::waitForIdle(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    const auto left = [&] {
        const auto ms =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        return static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, ms.count()));
    };
    // A working task may start waiting ones and the reverse: both idle at once.
    for (;;) {
        if (!working_.waitForDone(left()) || !waiting_.waitForDone(left()))
            return false;
        if (working_.activeThreadCount() == 0)
            return true;
    }
}

} // namespace optara
