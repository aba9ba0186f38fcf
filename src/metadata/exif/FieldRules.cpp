#include "FieldRules.h"

#include "TiffType.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <string>

namespace optara::exif {

namespace {

bool isText(std::uint16_t type)
{
    return type == Ascii || type == Utf8;
}

bool isInteger(std::uint16_t type)
{
    switch (type) {
    case Byte:
    case SignedByte:
    case Undefined:
    case Short:
    case SignedShort:
    case Long:
    case SignedLong:
    case IfdOffset:
        return true;
    default:
        return false;
    }
}

// Element index of a numeric value as a double, which holds every EXIF
// integer exactly; none for a zero denominator or a non-finite float.
std::optional<double> element(const Cursor& value, std::uint16_t type, std::uint64_t index)
{
    const std::uint64_t at = index * typeSize(type);
    switch (type) {
    case Byte:
    case Undefined:
        return *value.read<std::uint8_t>(at);
    case SignedByte:
        return static_cast<std::int8_t>(*value.read<std::uint8_t>(at));
    case Short:
        return *value.read<std::uint16_t>(at);
    case SignedShort:
        return static_cast<std::int16_t>(*value.read<std::uint16_t>(at));
    case Long:
    case IfdOffset:
        return *value.read<std::uint32_t>(at);
    case SignedLong:
        return static_cast<std::int32_t>(*value.read<std::uint32_t>(at));
    case Rational: {
        const std::uint32_t denominator = *value.read<std::uint32_t>(at + 4);
        if (denominator == 0)
            return std::nullopt;
        return static_cast<double>(*value.read<std::uint32_t>(at)) / denominator;
    }
    case SignedRational: {
        const auto denominator = static_cast<std::int32_t>(*value.read<std::uint32_t>(at + 4));
        if (denominator == 0)
            return std::nullopt;
        return static_cast<double>(static_cast<std::int32_t>(*value.read<std::uint32_t>(at))) / denominator;
    }
    case Float:
    case Double: {
        const double real = type == Float ? std::bit_cast<float>(*value.read<std::uint32_t>(at))
                                          : std::bit_cast<double>(*value.read<std::uint64_t>(at));
        return std::isfinite(real) ? std::optional<double>(real) : std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

std::optional<std::string> text(std::uint16_t type, const Cursor& value)
{
    if (!isText(type))
        return std::nullopt;
    const auto bytes = *value.bytes(0, value.size());
    const auto* chars = reinterpret_cast<const char*>(bytes.data());
    const void* nul = std::memchr(chars, 0, bytes.size());
    return std::string(chars, nul ? static_cast<const char*>(nul) - chars : bytes.size());
}

// UNDEFINED holds bytes, not a number, unless in a list.
std::optional<double> number(std::uint16_t type, std::uint32_t count, const Cursor& value)
{
    if (count != 1 || type == Undefined)
        return std::nullopt;
    return element(value, type, 0);
}

// Whole and in [-2^63, 2^63), so that it converts to int64_t.
bool isIntegral(std::optional<double> real)
{
    constexpr double int64Bound = 0x1p63;
    return real && std::trunc(*real) == *real && *real >= -int64Bound && *real < int64Bound;
}

// Integer types are integral by their type; any other list is checked element
// by element, without being stored.
std::optional<std::int64_t> firstIntegral(std::uint16_t type, std::uint32_t count, const Cursor& value)
{
    if (count == 0 || isText(type))
        return std::nullopt;
    if (!isInteger(type)) {
        for (std::uint64_t i = 0; i < count; ++i) {
            if (!isIntegral(element(value, type, i)))
                return std::nullopt;
        }
    }
    const auto first = element(value, type, 0);
    return first ? std::optional<std::int64_t>(static_cast<std::int64_t>(*first)) : std::nullopt;
}

} // namespace

std::optional<std::size_t> wantedRow(Directory directory, std::uint16_t tag)
{
    for (std::size_t row = 0; row < std::size(wantedTags); ++row) {
        if (wantedTags[row].directory == directory && wantedTags[row].tag == tag)
            return row;
    }
    return std::nullopt;
}

void takeField(Field field, std::uint16_t type, std::uint32_t count, const Cursor& value, ExifFields& fields)
{
    switch (field) {
    case Field::Make:
        fields.make = text(type, value);
        break;
    case Field::Model:
        fields.model = text(type, value);
        break;
    case Field::LensModel:
        fields.lensModel = text(type, value);
        break;
    case Field::DateTimeOriginal:
        fields.dateTimeOriginal = text(type, value);
        break;
    case Field::FocalLength:
        fields.focalLength = number(type, count, value);
        break;
    case Field::FNumber:
        fields.fNumber = number(type, count, value);
        break;
    case Field::ExposureTime:
        fields.exposureTime = number(type, count, value);
        break;
    case Field::Iso:
        fields.iso = firstIntegral(type, count, value);
        break;
    }
}

} // namespace optara::exif
