#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace optara::exif {

enum class Directory { Tiff, Exif };

inline constexpr std::uint16_t exifPointerTag = 0x8769;
inline constexpr std::uint16_t isoSpeedRatingsTag = 0x8827;

// Property name of a tag in the given directory; tags we do not name are not
// decoded at all (maker notes and the like stay untouched).
std::optional<std::string_view> tagName(Directory directory, std::uint16_t tag);

}  // namespace optara::exif
