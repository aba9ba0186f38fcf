#include "ReadConcurrency.h"

#include <algorithm>
#include <cmath>

namespace optara {

ReadConcurrency::ReadConcurrency(int cores, int most)
    : cores_(std::max(1, cores)), most_(std::max(cores_, most)), readers_(cores_)
{
}

bool ReadConcurrency::report(Duration onCpu, Duration blocked)
{
    // Recent reports weigh most, so a run whose files turn out to be in
    // memory after all goes back to one reader per core.
    constexpr double keep = 0.875;
    const std::lock_guard lock(mutex_);
    onCpu_ = onCpu_ * keep + static_cast<double>(std::max(onCpu.count(), Duration::rep(0)));
    blocked_ = blocked_ * keep + static_cast<double>(std::max(blocked.count(), Duration::rep(0)));
    // Blocked time under half the time on a CPU is the noise of page faults
    // and locks in reads served from memory. Beyond that, reads wait on a
    // disk or a share, which serves more the more requests it holds, and
    // readers that wait cost no CPU: so many more readers, up to the most.
    constexpr double noise = 0.5;
    constexpr double depth = 6;
    const double waiting = std::max(0.0, blocked_ / std::max(onCpu_, 1.0) - noise);
    const double wanted = std::floor(cores_ * (1.0 + depth * waiting));
    const int readers = static_cast<int>(std::clamp(wanted, double(cores_), double(most_)));
    return readers_.exchange(readers, std::memory_order_relaxed) < readers;
}

} // namespace optara
