#pragma once

#include <cstdint>
#include <optional>

namespace optara {

struct WallClockTime {
    int year;
    unsigned month;
    unsigned day;
    int hour;
    int minute;
    int second;
};

// Seconds since the Unix epoch of a valid wall-clock time in the process's
// time zone, as mktime with tm_isdst = -1 gives it: a time skipped by a
// forward shift moves forward by the shift; a time that occurs twice is taken
// with the offset in force before the change (mktime itself picks the offset
// its previous call used). The zone is loaded once, so unlike mktime no call
// checks the zone file again. Thread-safe; takes no lock for a day the calling
// thread has met before.
std::optional<std::int64_t> secondsSinceEpoch(const WallClockTime& time);

} // namespace optara
