#include "DumpRecord.h"

#include "JsonWriter.h"

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
                               static_cast<long long>(local.tm_year) + 1900, local.tm_mon + 1,
                               local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    std::string result(buffer, static_cast<std::size_t>(length));
    if (micros != 0) {
        length = std::snprintf(buffer, sizeof buffer, ".%06lld", static_cast<long long>(micros));
        result.append(buffer, static_cast<std::size_t>(length));
    }
    const long offset = local.tm_gmtoff;
    const long magnitude = offset < 0 ? -offset : offset;
    length = std::snprintf(buffer, sizeof buffer, "%c%02ld:%02ld", offset < 0 ? '-' : '+',
                           magnitude / 3600, magnitude / 60 % 60);
    result.append(buffer, static_cast<std::size_t>(length));
    if (magnitude % 60 != 0) {
        length = std::snprintf(buffer, sizeof buffer, ":%02ld", magnitude % 60);
        result.append(buffer, static_cast<std::size_t>(length));
    }
    return result;
}

std::string dumpLine(std::string_view file, const std::optional<ImageMetadata>& record)
{
    JsonWriter json;
    json.beginObject();
    json.key("file");
    json.string(file);
    json.key("record");
    if (!record) {
        json.null();
    } else {
        json.beginObject();
        json.key("cameraMake");
        json.stringOrNull(record->cameraMake());
        json.key("cameraModel");
        json.stringOrNull(record->cameraModel());
        json.key("lensModel");
        json.stringOrNull(record->lensModel());
        json.key("focalLength");
        json.numberOrNull(record->focalLength());
        json.key("aperture");
        json.numberOrNull(record->aperture());
        json.key("iso");
        json.numberOrNull(record->iso());
        json.key("shutterSpeed");
        json.numberOrNull(record->shutterSpeed());
        json.key("creationDate");
        std::optional<std::string> date;
        if (const auto moment = record->creationDate())
            date = localIsoTime(*moment);
        json.stringOrNull(date ? std::optional<std::string_view>(*date) : std::nullopt);
        json.key("cameraName");
        json.string(record->cameraName());
        json.key("lensName");
        json.string(record->lensName());
        json.endObject();
    }
    json.endObject();
    return json.take();
}

}  // namespace optara::tools
