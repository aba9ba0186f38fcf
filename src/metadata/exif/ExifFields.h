#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace optara::exif {

// The eight values a photo's record is made of, as the file's directories
// hold them. Texts are cut at their first NUL; numbers are already checked
// for the kind each field takes. FieldRules.h says which tag each is read from.
struct ExifFields {
    std::optional<std::string> make;
    std::optional<std::string> model;
    std::optional<std::string> lensModel;
    std::optional<double> focalLength;
    std::optional<double> fNumber;
    std::optional<double> exposureTime;
    std::optional<std::int64_t> iso; // its first value
    std::optional<std::string> dateTimeOriginal;

    bool operator==(const ExifFields&) const = default;
};

} // namespace optara::exif
