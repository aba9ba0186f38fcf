#include "LocalTime.h"

#include <array>
#include <chrono>
#include <ctime>
#include <limits>
#include <mutex>

namespace optara {

namespace {

constexpr std::int64_t oneDay = 86400;

std::optional<std::int64_t> zoneOffsetAt(std::int64_t seconds)
{
    const auto time = static_cast<std::time_t>(seconds);
    std::tm fields{};
    if (::localtime_r(&time, &fields) == nullptr)
        return std::nullopt;
    return fields.tm_gmtoff;
}

// The zone's offset from UTC at an instant. localtime_r takes the C library's
// zone lock on every call, for which the readers of a run would queue, so each
// thread keeps the offsets at the start and end of the days it has met: a day
// with the same offset at both ends has it throughout, as zones change their
// offset at most once a day.
std::optional<std::int64_t> offsetAt(std::int64_t seconds)
{
    struct Day {
        std::int64_t number = std::numeric_limits<std::int64_t>::min();
        std::int64_t offset = 0;
        bool constant = false;
    };
    thread_local std::array<Day, 256> days;
    const std::int64_t number = seconds / oneDay - (seconds % oneDay < 0);
    Day& day = days[static_cast<std::size_t>(number) % days.size()];
    if (day.number != number) {
        const auto start = zoneOffsetAt(number * oneDay);
        const auto end = zoneOffsetAt((number + 1) * oneDay);
        if (!start || !end)
            return zoneOffsetAt(seconds);
        day = {number, *start, *start == *end};
    }
    return day.constant ? std::optional(day.offset) : zoneOffsetAt(seconds);
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
