#pragma once

#include "Cursor.h"
#include "ExifFields.h"

#include <cstdint>
#include <optional>

namespace optara::exif {

enum class Directory { Ifd0, Exif };

enum class Field { Make, Model, LensModel, FocalLength, FNumber, ExposureTime, Iso, DateTimeOriginal };
inline constexpr int fieldCount = 8;

inline constexpr std::uint16_t exifPointerTag = 0x8769;

// The field a tag of the directory carries; every other tag is skipped unread.
std::optional<Field> fieldOf(Directory directory, std::uint16_t tag);

// Sets the field from one entry's value when the value is of the field's kind:
// texts from ASCII or UTF-8; numbers from one integer, rational or float
// element (no number for a zero denominator or a non-finite float); ISO from
// a non-empty list of integral numbers, its first. value holds exactly count
// elements of type.
void takeField(Field field, std::uint16_t type, std::uint32_t count, const Cursor& value, ExifFields& fields);

} // namespace optara::exif
