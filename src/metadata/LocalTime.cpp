#include "LocalTime.h"

#include <chrono>
#include <ctime>
#include <mutex>

namespace optara {

namespace {

// The zone's offset from UTC at an instant.
std::optional<std::int64_t> offsetAt(std::int64_t seconds)
{
    const auto time = static_cast<std::time_t>(seconds);
    std::tm fields{};
    if (::localtime_r(&time, &fields) == nullptr)
        return std::nullopt;
    return fields.tm_gmtoff;
}

} // namespace

std::optional<std::int64_t> secondsSinceEpoch(const WallClockTime& time)
{
    static std::once_flag zoneLoaded;
    std::call_once(zoneLoaded, ::tzset);

    using namespace std::chrono;
    const sys_days date{year{time.year} / month{time.month} / day{time.day}};
    const std::int64_t local = date.time_since_epoch().count() * std::int64_t{86400} + time.hour * 3600 +
                               time.minute * 60 + time.second;
    // Zones change their offset at most once within a couple of days, so the
    // offsets a day either side are the only candidates.
    constexpr std::int64_t oneDay = 86400;
    const auto before = offsetAt(local - oneDay);
    const auto after = offsetAt(local + oneDay);
    if (!before || !after)
        return std::nullopt;
    const std::int64_t early = local - *before;
    if (*before == *after)
        return early;
    const std::int64_t late = local - *after;
    if (offsetAt(early) != before && offsetAt(late) == after)
        return late;
    return early;
}

} // namespace optara
