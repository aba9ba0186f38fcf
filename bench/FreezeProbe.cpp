#include "FreezeProbe.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <latch>

using namespace std::chrono_literals;

namespace {

std::vector<int> allowedCpus()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    std::vector<int> cpus;
    if (::sched_getaffinity(0, sizeof set, &set) == 0) {
        for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
            if (CPU_ISSET(cpu, &set))
                cpus.push_back(cpu);
        }
    }
    return cpus;
}

} // namespace

FreezeProbe::FreezeProbe()
{
    for (const int cpu : allowedCpus())
        watches_.push_back({cpu, {}});
    std::latch started(static_cast<std::ptrdiff_t>(watches_.size()));
    for (Watch& each : watches_) {
        threads_.emplace_back([this, &started, &each] {
            cpu_set_t only;
            CPU_ZERO(&only);
            CPU_SET(each.cpu, &only);
            const sched_param priority{.sched_priority = 10};
            if (::pthread_setaffinity_np(::pthread_self(), sizeof only, &only) != 0 ||
                ::pthread_setschedparam(::pthread_self(), SCHED_FIFO, &priority) != 0)
                ++refused_;
            started.count_down();
            watch(each);
        });
    }
    started.wait();
    measuring_ = !watches_.empty() && refused_ == 0;
}

FreezeProbe::~FreezeProbe()
{
    stop();
}

void FreezeProbe::watch(Watch& watch)
{
    auto last = Clock::now();
    while (!stopping_) {
        std::this_thread::sleep_for(1ms);
        const auto now = Clock::now();
        const auto due = last + 1ms;
        if (now - due > 1ms)
            watch.overslept.push_back({due, now});
        last = now;
    }
}

void FreezeProbe::stop()
{
    stopping_ = true;
    for (std::thread& thread : threads_) {
        if (thread.joinable())
            thread.join();
    }
}

FreezeProbe::Milliseconds FreezeProbe::frozenWithin(std::initializer_list<int> cpus, Clock::time_point begin,
                                                    Clock::time_point end) const
{
    Milliseconds frozen{0};
    if (!measuring_)
        return frozen;
    std::vector<Interval> within;
    for (const Watch& watch : watches_) {
        if (std::find(cpus.begin(), cpus.end(), watch.cpu) == cpus.end())
            continue;
        for (const Interval& freeze : watch.overslept) {
            if (freeze.begin < end && begin < freeze.end)
                within.push_back({std::max(begin, freeze.begin), std::min(end, freeze.end)});
        }
    }
    // Freezes of several CPUs at once count once.
    std::sort(within.begin(), within.end(),
              [](const Interval& a, const Interval& b) { return a.begin < b.begin; });
    Clock::time_point covered = begin;
    for (const Interval& freeze : within) {
        if (freeze.end > covered) {
            frozen += freeze.end - std::max(covered, freeze.begin);
            covered = freeze.end;
        }
    }
    return frozen;
}

FreezeProbe::Milliseconds FreezeProbe::longestFreeze() const
{
    Milliseconds longest{0};
    if (!measuring_)
        return longest;
    for (const Watch& watch : watches_) {
        for (const Interval& freeze : watch.overslept)
            longest = std::max<Milliseconds>(longest, freeze.end - freeze.begin);
    }
    return longest;
}
