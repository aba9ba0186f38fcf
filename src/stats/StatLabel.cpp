#include "StatLabel.h"

#include <charconv>
#include <cstdint>
#include <string_view>

namespace optara {

namespace {

constexpr std::string_view unknown = "Unknown";

// 2^63 exactly; every double in [-2^63, 2^63) truncates into int64_t.
constexpr double int64Bound = 9223372036854775808.0;

std::string focalLengthLabel(std::optional<double> focal)
{
    // NaN and the infinities fail the range test as well.
    if (!focal || !(*focal >= -int64Bound && *focal < int64Bound))
        return std::string(unknown);
    std::array<char, 24> buffer{};
    char* end =
        std::to_chars(buffer.data(), buffer.data() + buffer.size() - 2, static_cast<std::int64_t>(*focal))
            .ptr;
    *end++ = 'm';
    *end++ = 'm';
    return std::string(buffer.data(), end);
}

std::string apertureLabel(std::optional<double> aperture)
{
    if (!aperture)
        return std::string(unknown);
    // to_chars rounds like printf's "%.1f" but never uses the locale's
    // decimal separator. The largest double needs 309 integer digits.
    std::array<char, 2 + 309 + 2 + 16> buffer{'f', '/'};
    char* end = std::to_chars(buffer.data() + 2, buffer.data() + buffer.size(), *aperture,
                              std::chars_format::fixed, 1)
                    .ptr;
    return std::string(buffer.data(), end);
}

} // namespace

std::string statLabel(StatList list, const ImageMetadata& photo)
{
    switch (list) {
    case StatList::Cameras:
        return photo.cameraName();
    case StatList::Lenses:
        return photo.lensName();
    case StatList::FocalLengths:
        return focalLengthLabel(photo.focalLength());
    case StatList::Apertures:
        return apertureLabel(photo.aperture());
    }
    return std::string(unknown);
}

} // namespace optara
