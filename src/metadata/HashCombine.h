#pragma once

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace optara::detail {

inline void hashCombine(std::size_t& seed, std::size_t value)
{
    seed ^= value + 0x9E3779B97F4A7C15ull + (seed << 6) + (seed >> 2);
}

// Values that compare equal hash alike: both zeros, and every NaN.
inline std::size_t hashReal(double value)
{
    if (value == 0)
        return 0;
    if (std::isnan(value))
        return 1;
    return std::hash<std::uint64_t>{}(std::bit_cast<std::uint64_t>(value));
}

} // namespace optara::detail
