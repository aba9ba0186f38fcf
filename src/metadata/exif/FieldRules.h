#pragma once

#include "Cursor.h"
#include "ExifFields.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace optara::exif {

enum class Directory { Ifd0, Exif };

enum class Field { Make, Model, LensModel, FocalLength, FNumber, ExposureTime, Iso, DateTimeOriginal };

struct WantedTag {
    Directory directory;
    std::uint16_t tag;
    Field field;
};

// The tags the fields are read from, one a field; every other tag is skipped unread.
inline constexpr WantedTag wantedTags[] = {
    {Directory::Ifd0, 0x010F, Field::Make},      {Directory::Ifd0, 0x0110, Field::Model},
    {Directory::Exif, 0xA434, Field::LensModel}, {Directory::Exif, 0x920A, Field::FocalLength},
    {Directory::Exif, 0x829D, Field::FNumber},   {Directory::Exif, 0x829A, Field::ExposureTime},
    {Directory::Exif, 0x8827, Field::Iso},       {Directory::Exif, 0x9003, Field::DateTimeOriginal},
};

inline constexpr std::uint16_t exifPointerTag = 0x8769;

// The row of wantedTags a tag of the directory is, if it is wanted.
std::optional<std::size_t> wantedRow(Directory directory, std::uint16_t tag);

// Sets the field from one entry's value when the value is of the field's kind:
// texts from ASCII or UTF-8; numbers from one integer, rational or float
// element (no number for a zero denominator or a non-finite float); ISO from
// a non-empty list of integral numbers, its first. value holds exactly count
// elements of type.
void takeField(Field field, std::uint16_t type, std::uint32_t count, const Cursor& value, ExifFields& fields);

} // namespace optara::exif
