#include "StatLabel.h"

#include <array>
#include <charconv>
#include <cmath>
#include <string_view>

namespace optara {

namespace {

constexpr std::string_view unknown = "Unknown";

std::string focalLengthLabel(std::optional<double> focal)
{
    if (!focal || !std::isfinite(*focal))
        return std::string(unknown);
    // The integer part's digits, exact for every finite double; adding zero
    // turns the -0 of a length above -1 into 0.
    const double whole = std::trunc(*focal) + 0.0;
    // The largest double needs 309 digits, then its sign.
    std::array<char, 1 + 309 + 2> buffer{};
    char* end =
        std::to_chars(buffer.data(), buffer.data() + buffer.size() - 2, whole, std::chars_format::fixed, 0)
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
