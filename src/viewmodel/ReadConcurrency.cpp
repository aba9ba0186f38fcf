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
    // Each core stays busy when, while one reader computes, the others wait.
    const double wanted = std::floor(cores_ * (1.0 + blocked_ / std::max(onCpu_, 1.0)));
    const int readers = static_cast<int>(std::clamp(wanted, double(cores_), double(most_)));
    return readers_.exchange(readers, std::memory_order_relaxed) < readers;
}

} // namespace optara
