#include "MetadataReader.h"

#include "ExifReader.h"
#include "LocalTime.h"

#include <chrono>
#include <string_view>

namespace optara {

namespace {

std::optional<std::string_view> view(const std::optional<std::string>& text)
{
    return text ? std::optional<std::string_view>(*text) : std::nullopt;
}

std::optional<int> digits(std::string_view text, std::size_t at, std::size_t count)
{
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

int daysInMonth(int year, int month)
{
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

// "yyyy:MM:dd HH:mm:ss" exactly, read as local wall-clock time.
std::optional<ImageMetadata::TimePoint> parseExifDate(std::string_view text)
{
    static constexpr std::string_view layout = "dddd:dd:dd dd:dd:dd";
    if (text.size() != layout.size())
        return std::nullopt;
    for (std::size_t i = 0; i < layout.size(); ++i) {
        if (layout[i] != 'd' && text[i] != layout[i])
            return std::nullopt;
    }
    const auto year = digits(text, 0, 4);
    const auto month = digits(text, 5, 2);
    const auto day = digits(text, 8, 2);
    const auto hour = digits(text, 11, 2);
    const auto minute = digits(text, 14, 2);
    const auto second = digits(text, 17, 2);
    if (!year || !month || !day || !hour || !minute || !second)
        return std::nullopt;
    if (*year < 1 || *month < 1 || *month > 12 || *day < 1 || *day > daysInMonth(*year, *month) ||
        *hour > 23 || *minute > 59 || *second > 59)
        return std::nullopt;

    const auto seconds = secondsSinceEpoch(
        {*year, static_cast<unsigned>(*month), static_cast<unsigned>(*day), *hour, *minute, *second});
    // The record's clock spans about 1678 to 2262; a camera clock set outside
    // that has no date to give.
    using std::chrono::duration_cast;
    using Duration = ImageMetadata::TimePoint::duration;
    constexpr auto earliest = duration_cast<std::chrono::seconds>(Duration::min()).count();
    constexpr auto latest = duration_cast<std::chrono::seconds>(Duration::max()).count();
    if (!seconds || *seconds < earliest || *seconds > latest)
        return std::nullopt;
    return ImageMetadata::TimePoint(std::chrono::seconds(*seconds));
}

} // namespace

const MetadataReader& MetadataReader::shared()
{
    static const MetadataReader reader;
    return reader;
}

std::optional<ImageMetadata> MetadataReader::readMetadata(const std::filesystem::path& url) const
{
    const std::optional<exif::ExifFields> fields = exif::readFileFields(url);
    if (!fields)
        return std::nullopt;
    const exif::ExifFields& f = *fields;
    return ImageMetadata(url.native(), view(f.make), view(f.model), view(f.lensModel), f.focalLength,
                         f.fNumber, f.iso, f.exposureTime,
                         f.dateTimeOriginal ? parseExifDate(*f.dateTimeOriginal) : std::nullopt);
}

} // namespace optara
