#include "ChunkReader.h"

#include "Cursor.h"
#include "ScanBudget.h"
#include "TiffReader.h"

#include <cstring>
#include <string_view>

namespace optara::exif {

namespace {

constexpr std::uint64_t headerSize = 8;

bool isType(std::span<const std::uint8_t> type, std::string_view name)
{
    return std::memcmp(type.data(), name.data(), 4) == 0;
}

std::optional<ExifFields> readExifBody(ByteSource& source, std::uint64_t at, std::uint64_t size)
{
    if (startsWithExifPrefix(source, at, size))
        return readTiff(source, at + exifPrefixSize, size - exifPrefixSize);
    return readTiff(source, at, size);
}

} // namespace

ExifFields readChunks(ByteSource& source, ChunkFormat format)
{
    const bool png = format == ChunkFormat::Png;
    std::uint64_t at = png ? 8 : 12;
    for (std::uint64_t spent = 0; spent < scanBudget; spent += headerSize) {
        const auto header = source.copy<headerSize>(at);
        if (!header)
            break;
        const Cursor fields(*header, png ? Endian::Big : Endian::Little);
        const std::uint64_t length = *fields.read<std::uint32_t>(png ? 0 : 4);
        const auto type = std::span<const std::uint8_t>(*header).subspan(png ? 4 : 0, 4);
        if (isType(type, png ? "eXIf" : "EXIF")) {
            if (auto exif = readExifBody(source, at + headerSize, length))
                return *exif;
        } else if (png && isType(type, "IEND")) {
            break;
        }
        at += headerSize + length + (png ? 4 : length % 2);
    }
    return {};
}

} // namespace optara::exif
