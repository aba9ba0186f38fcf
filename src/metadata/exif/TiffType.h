#pragma once

#include <cstdint>

namespace optara::exif {

// The field types of a TIFF directory entry.
enum TiffType : std::uint16_t {
    Byte = 1,
    Ascii = 2,
    Short = 3,
    Long = 4,
    Rational = 5,
    SignedByte = 6,
    Undefined = 7,
    SignedShort = 8,
    SignedLong = 9,
    SignedRational = 10,
    Float = 11,
    Double = 12,
    IfdOffset = 13,
    Utf8 = 129,
};

// Bytes per element; 0 for a type we do not know.
constexpr std::uint64_t typeSize(std::uint16_t type)
{
    switch (type) {
    case Byte:
    case Ascii:
    case SignedByte:
    case Undefined:
    case Utf8:
        return 1;
    case Short:
    case SignedShort:
        return 2;
    case Long:
    case SignedLong:
    case Float:
    case IfdOffset:
        return 4;
    case Rational:
    case SignedRational:
    case Double:
        return 8;
    default:
        return 0;
    }
}

} // namespace optara::exif
