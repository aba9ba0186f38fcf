#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace optara::exif {

// The eight values a photo's record is made of, as the file's directories
// hold them. Texts are cut at their first NUL; numbers are already checked
// for the kind each field takes.
struct ExifFields {
    std::optional<std::string> make;             // IFD0 0x010F
    std::optional<std::string> model;            // IFD0 0x0110
    std::optional<std::string> lensModel;        // Exif 0xA434
    std::optional<double> focalLength;           // Exif 0x920A
    std::optional<double> fNumber;               // Exif 0x829D
    std::optional<double> exposureTime;          // Exif 0x829A
    std::optional<std::int64_t> iso;             // Exif 0x8827, its first value
    std::optional<std::string> dateTimeOriginal; // Exif 0x9003

    bool operator==(const ExifFields&) const = default;
};

} // namespace optara::exif
