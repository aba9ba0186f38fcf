#pragma once

#include "ImageMetadata.h"

#include <optional>
#include <string>
#include <string_view>

namespace optara::tools {

// ISO 8601 local wall-clock time with the zone offset in force at that moment,
// e.g. 2008-05-30T15:56:01+02:00. Sub-second parts appear only when present.
// Offsets with seconds (old local mean times) are written as +HH:MM:SS. No
// value when the C library cannot convert the moment.
std::optional<std::string> localIsoTime(ImageMetadata::TimePoint time);

// One line of optara-dump output (without the newline):
// {"file": ..., "record": null | {...}}.
std::string dumpLine(std::string_view file, const std::optional<ImageMetadata>& record);

} // namespace optara::tools
