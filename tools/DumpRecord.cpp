#include "DumpRecord.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <limits>

namespace optara::tools {

std::optional<std::string> localIsoTime(ImageMetadata::TimePoint time)
{
    using namespace std::chrono;
    const auto whole = floor<seconds>(time);
    const auto micros = duration_cast<microseconds>(time - whole).count();
    const auto count = whole.time_since_epoch().count();
    if (count < std::numeric_limits<std::time_t>::min() || count > std::numeric_limits<std::time_t>::max())
        return std::nullopt;
    const auto seconds = static_cast<std::time_t>(count);
    std::tm local{};
    if (localtime_r(&seconds, &local) == nullptr)
        return std::nullopt;

    char buffer[96];
    int length = std::snprintf(buffer, sizeof buffer, "%04lld-%02d-%02dT%02d:%02d:%02d",
                               static_cast<long long>(local.tm_year) + 1900, local.tm_mon + 1, local.tm_mday,
                               local.tm_hour, local.tm_min, local.tm_sec);
    std::string result(buffer, static_cast<std::size_t>(length));
    if (micros != 0) {
        length = std::snprintf(buffer, sizeof buffer, ".%06lld", static_cast<long long>(micros));
        result.append(buffer, static_cast<std::size_t>(length));
    }
    const long offset = local.tm_gmtoff;
    const long magnitude = offset < 0 ? -offset : offset;
    length = std::snprintf(buffer, sizeof buffer, "%c%02ld:%02ld", offset < 0 ? '-' : '+', magnitude / 3600,
                           magnitude / 60 % 60);
    result.append(buffer, static_cast<std::size_t>(length));
    if (magnitude % 60 != 0) {
        length = std::snprintf(buffer, sizeof buffer, ":%02ld", magnitude % 60);
        result.append(buffer, static_cast<std::size_t>(length));
    }
    return result;
}

std::string dumpLine(std::string_view file, const std::optional<ImageMetadata>& record)
{
    // Keys in the order written; absent values and non-finite reals as null.
    using Json = nlohmann::ordered_json;
    const auto orNull = [](const auto& value) { return value ? Json(*value) : Json(nullptr); };
    Json line = {{"file", file}, {"record", nullptr}};
    if (record) {
        const auto moment = record->creationDate();
        line["record"] = {
            {"cameraMake", orNull(record->cameraMake())},
            {"cameraModel", orNull(record->cameraModel())},
            {"lensModel", orNull(record->lensModel())},
            {"focalLength", orNull(record->focalLength())},
            {"aperture", orNull(record->aperture())},
            {"iso", orNull(record->iso())},
            {"shutterSpeed", orNull(record->shutterSpeed())},
            {"creationDate", orNull(moment ? localIsoTime(*moment) : std::nullopt)},
            {"cameraName", record->cameraName()},
            {"lensName", record->lensName()},
        };
    }
    // Bytes that are not UTF-8 (file names may hold any) become U+FFFD.
    return line.dump(-1, ' ', false, Json::error_handler_t::replace);
}

} // namespace optara::tools
