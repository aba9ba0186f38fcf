#include "TiffReader.h"

#include "Cursor.h"
#include "FieldRules.h"
#include "TiffType.h"

#include <bitset>
#include <cstring>

namespace optara::exif {

namespace {

// Far more than any real field; a longer value could only cost time.
constexpr std::uint64_t maxValueBytes = 65536;

// The TIFF structure: offsets relative to its start, bounded by its size.
class TiffBlock {
  public:
    TiffBlock(ByteSource& source, std::uint64_t base, std::uint64_t size, Endian endian)
        : source_(source), base_(base), size_(size), endian_(endian)
    {
    }

    // Bytes at offset, read in the block's byte order.
    std::optional<Cursor> at(std::uint64_t offset, std::uint64_t size) const
    {
        if (offset > size_ || size > size_ - offset)
            return std::nullopt;
        const auto bytes = source_.bytes(base_ + offset, size);
        return bytes ? std::optional<Cursor>(Cursor(*bytes, endian_)) : std::nullopt;
    }

    struct Entry {
        std::uint16_t tag;
        std::uint16_t type;
        std::uint32_t count;
        std::uint32_t valueField;
    };

    // The directory entry at offset, as values, so reading its value leaves it whole.
    std::optional<Entry> entry(std::uint64_t offset) const
    {
        const auto bytes = at(offset, 12);
        if (!bytes)
            return std::nullopt;
        return Entry{*bytes->read<std::uint16_t>(0), *bytes->read<std::uint16_t>(2),
                     *bytes->read<std::uint32_t>(4), *bytes->read<std::uint32_t>(8)};
    }

  private:
    ByteSource& source_;
    std::uint64_t base_;
    std::uint64_t size_;
    Endian endian_;
};

// Takes the wanted entries of one IFD. The first entry of a field settles it,
// so no field is decoded twice however many entries repeat its tag. Returns
// where IFD0's pointer to the Exif IFD leads.
std::optional<std::uint32_t> readIfd(const TiffBlock& tiff, std::uint32_t offset, Directory directory,
                                     ExifFields& fields)
{
    std::optional<std::uint32_t> exifOffset;
    const auto header = tiff.at(offset, 2);
    if (!header)
        return exifOffset;
    const std::uint16_t count = *header->read<std::uint16_t>(0);
    std::bitset<std::size(wantedTags)> settled;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint64_t entryOffset = std::uint64_t{offset} + 2 + 12 * std::uint64_t{i};
        const auto entry = tiff.entry(entryOffset);
        if (!entry)
            break;
        const auto [tag, type, elements, valueField] = *entry;
        if (directory == Directory::Ifd0 && tag == exifPointerTag) {
            if ((type == Long || type == IfdOffset) && elements == 1 && !exifOffset)
                exifOffset = valueField;
            continue;
        }
        const auto row = wantedRow(directory, tag);
        if (!row || settled[*row])
            continue;
        settled.set(*row);
        const std::uint64_t size = typeSize(type) * elements;
        if (typeSize(type) == 0 || size > maxValueBytes)
            continue;
        if (const auto value = tiff.at(size <= 4 ? entryOffset + 8 : valueField, size))
            takeField(wantedTags[*row].field, type, elements, *value, fields);
    }
    return exifOffset;
}

} // namespace

bool startsWithExifPrefix(ByteSource& source, std::uint64_t at, std::uint64_t size)
{
    constexpr std::uint8_t prefix[exifPrefixSize] = {'E', 'x', 'i', 'f', 0, 0};
    const auto head = size >= exifPrefixSize ? source.bytes(at, exifPrefixSize) : std::nullopt;
    return head && std::memcmp(head->data(), prefix, exifPrefixSize) == 0;
}

std::optional<ExifFields> readTiff(ByteSource& source, std::uint64_t base, std::uint64_t size)
{
    const auto header = size >= 8 ? source.copy<8>(base) : std::nullopt;
    if (!header)
        return std::nullopt;
    Endian endian;
    if ((*header)[0] == 'I' && (*header)[1] == 'I')
        endian = Endian::Little;
    else if ((*header)[0] == 'M' && (*header)[1] == 'M')
        endian = Endian::Big;
    else
        return std::nullopt;
    const Cursor head(*header, endian);
    const std::uint32_t ifd0 = *head.read<std::uint32_t>(4);
    const TiffBlock tiff(source, base, size, endian);
    if (*head.read<std::uint16_t>(2) != 42 || ifd0 == 0 || !tiff.at(ifd0, 2))
        return std::nullopt;

    ExifFields fields;
    const auto exifOffset = readIfd(tiff, ifd0, Directory::Ifd0, fields);
    // The Exif IFD is read once and follows no pointers itself, so loops and
    // self-pointers cannot recur.
    if (exifOffset)
        readIfd(tiff, *exifOffset, Directory::Exif, fields);
    return fields;
}

} // namespace optara::exif
