#include "RunThreads.h"

#include <sys/resource.h>
#include <unistd.h>

#include <utility>

namespace optara {

namespace {

// A pool thread keeps its priority from task to task, and may lower it but
// not raise it again: the first task on each thread sets it.
std::function<void()> atLowestPriority(std::function<void()> task)
{
    return [task = std::move(task)] {
        thread_local const bool lowered = ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 19) == 0;
        (void)lowered;
        task();
    };
}

} // namespace

RunThreads& RunThreads::shared()
{
    static RunThreads threads;
    return threads;
}

RunThreads::RunThreads()
{
    pool_.setMaxThreadCount(mostThreads);
}

void RunThreads::start(std::function<void()> task)
{
    pool_.start(atLowestPriority(std::move(task)));
}

bool RunThreads::tryStart(std::function<void()> task)
{
    return pool_.tryStart(atLowestPriority(std::move(task)));
}

bool RunThreads::waitForIdle(std::chrono::milliseconds timeout)
{
    return pool_.waitForDone(static_cast<int>(timeout.count()));
}

} // namespace optara
