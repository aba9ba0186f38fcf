#include "FrameGaps.h"

#include <algorithm>
#include <cmath>

namespace optara {

FrameGaps FrameGaps::of(const std::vector<std::chrono::steady_clock::time_point>& points)
{
    FrameGaps figures;
    if (points.size() < 2)
        return figures;
    const auto ms = [](auto duration) { return std::chrono::duration<double, std::milli>(duration).count(); };
    std::vector<double> gaps;
    gaps.reserve(points.size() - 1);
    for (std::size_t i = 1; i < points.size(); ++i)
        gaps.push_back(ms(points[i] - points[i - 1]));
    figures.firstMs = gaps.front();
    figures.longestAfterFirstMs = gaps.size() > 1 ? *std::max_element(gaps.begin() + 1, gaps.end()) : 0.0;
    figures.lastMs = gaps.back();
    figures.longestBetweenMs = gaps.size() > 2 ? *std::max_element(gaps.begin() + 1, gaps.end() - 1) : 0.0;
    std::sort(gaps.begin(), gaps.end());
    // The nearest rank: the smallest gap that at least 99% of the gaps do not exceed.
    const auto rank = static_cast<std::size_t>(std::ceil(0.99 * static_cast<double>(gaps.size())));
    figures.longestMs = gaps.back();
    figures.percentile99Ms = gaps[std::max<std::size_t>(rank, 1) - 1];
    figures.over33Ms = static_cast<int>(gaps.end() - std::upper_bound(gaps.begin(), gaps.end(), 33.0));
    figures.frames = static_cast<int>(gaps.size());
    figures.durationMs = ms(points.back() - points.front());
    return figures;
}

} // namespace optara
