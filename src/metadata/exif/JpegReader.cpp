#include "JpegReader.h"

#include "ScanBudget.h"
#include "TiffReader.h"

namespace optara::exif {

namespace {

// A marker costs its two bytes and its segment's length field.
constexpr std::uint64_t markerCost = 4;

constexpr std::uint8_t startOfImage = 0xD8;
constexpr std::uint8_t endOfImage = 0xD9;
constexpr std::uint8_t startOfScan = 0xDA;
constexpr std::uint8_t app1 = 0xE1;

bool isFrameHeader(std::uint8_t code)
{
    return code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
}

// Restart markers and TEM carry no length.
bool isStandalone(std::uint8_t code)
{
    return code == 0x01 || (code >= 0xD0 && code <= 0xD7);
}

// The code of the next marker at or after at, which is left just past it.
// Fill bytes (0xFF runs), stuffed zeros and any other stray bytes are skipped
// as libjpeg does, each charged to the budget.
std::optional<std::uint8_t> nextMarker(ByteSource& source, std::uint64_t& at, std::uint64_t& budget)
{
    while (budget >= markerCost) {
        const auto pair = source.bytes(at, 2);
        if (!pair)
            return std::nullopt;
        if ((*pair)[0] == 0xFF && (*pair)[1] != 0xFF && (*pair)[1] != 0x00) {
            at += 2;
            budget -= markerCost;
            return (*pair)[1];
        }
        at += 1;
        budget -= 1;
    }
    return std::nullopt;
}

} // namespace

std::optional<ExifFields> readJpeg(ByteSource& source)
{
    std::uint64_t at = 2;
    std::uint64_t budget = scanBudget;
    bool frame = false;
    while (const auto code = nextMarker(source, at, budget)) {
        if (*code == startOfScan || *code == endOfImage || *code == startOfImage)
            break;
        if (isStandalone(*code))
            continue;
        const auto lengthBytes = source.bytes(at, 2);
        if (!lengthBytes)
            break;
        const std::uint64_t length = (std::uint64_t{(*lengthBytes)[0]} << 8) | (*lengthBytes)[1];
        if (length < 2)
            break;
        if (isFrameHeader(*code)) {
            if (length < 8 || !source.bytes(at + 2, 6))
                break;
            frame = true;
        } else if (*code == app1 && startsWithExifPrefix(source, at + 2, length - 2)) {
            if (auto fields = readTiff(source, at + 2 + exifPrefixSize, length - 2 - exifPrefixSize))
                return fields;
        }
        at += length;
    }
    return frame ? std::optional<ExifFields>(ExifFields{}) : std::nullopt;
}

} // namespace optara::exif
