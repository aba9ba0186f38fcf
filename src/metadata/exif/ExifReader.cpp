#include "ExifReader.h"

#include "Cursor.h"
#include "Tags.h"
#include "TiffType.h"

#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// GCC 12 warns falsely about moving a variant that holds a vector; clang
// and the sanitizers find nothing.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

namespace optara::exif {

namespace {

// One element of a numeric value; no value for a zero denominator or a
// non-finite float.
std::optional<Value> element(const Cursor& data, std::uint16_t type, std::uint64_t at)
{
    switch (type) {
    case Byte:
    case Undefined:
        return Value(std::int64_t{*data.read<std::uint8_t>(at)});
    case SignedByte:
        return Value(std::int64_t{static_cast<std::int8_t>(*data.read<std::uint8_t>(at))});
    case Short:
        return Value(std::int64_t{*data.read<std::uint16_t>(at)});
    case SignedShort:
        return Value(std::int64_t{static_cast<std::int16_t>(*data.read<std::uint16_t>(at))});
    case Long:
    case IfdOffset:
        return Value(std::int64_t{*data.read<std::uint32_t>(at)});
    case SignedLong:
        return Value(std::int64_t{static_cast<std::int32_t>(*data.read<std::uint32_t>(at))});
    case Rational: {
        const std::uint32_t denominator = *data.read<std::uint32_t>(at + 4);
        if (denominator == 0)
            return std::nullopt;
        return Value(static_cast<double>(*data.read<std::uint32_t>(at)) / denominator);
    }
    case SignedRational: {
        const auto denominator = static_cast<std::int32_t>(*data.read<std::uint32_t>(at + 4));
        if (denominator == 0)
            return std::nullopt;
        return Value(static_cast<double>(static_cast<std::int32_t>(*data.read<std::uint32_t>(at)))
                     / denominator);
    }
    case Float: {
        const double real = std::bit_cast<float>(*data.read<std::uint32_t>(at));
        return std::isfinite(real) ? std::optional<Value>(Value(real)) : std::nullopt;
    }
    case Double: {
        const double real = std::bit_cast<double>(*data.read<std::uint64_t>(at));
        return std::isfinite(real) ? std::optional<Value>(Value(real)) : std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

// The value of one entry whose data is already bounds-checked to hold count
// elements of the type.
std::optional<Value> decode(const Cursor& data, std::uint16_t type, std::uint32_t count, bool alwaysList)
{
    if (type == Ascii || type == Utf8) {
        const auto bytes = *data.bytes(0, count);
        const auto* chars = reinterpret_cast<const char*>(bytes.data());
        const void* nul = std::memchr(chars, 0, bytes.size());
        const std::size_t length = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - chars)
                                       : bytes.size();
        return Value(std::string(chars, length));
    }
    const std::uint64_t size = typeSize(type);
    if (count == 1 && !alwaysList && type != Undefined)
        return element(data, type, 0);
    List list;
    list.reserve(count);
    for (std::uint64_t i = 0; i < count; ++i) {
        auto value = element(data, type, i * size);
        if (!value)
            return std::nullopt;
        list.push_back(std::move(*value));
    }
    if (list.empty() && !alwaysList && type != Undefined)
        return std::nullopt;
    return Value(std::move(list));
}

struct Directories {
    Map tiff;
    Map exif;
    bool hasTiff = false;
    bool hasExif = false;
};

// Reads the entries of one IFD into map. Only named tags are decoded; an entry
// whose data runs out of the block is skipped. Returns the Exif IFD offset when
// the directory points to one.
std::optional<std::uint32_t> readIfd(const Cursor& tiff, std::uint32_t offset, Directory directory, Map& map)
{
    std::optional<std::uint32_t> exifOffset;
    const auto count = tiff.read<std::uint16_t>(offset);
    if (!count)
        return exifOffset;
    for (std::uint32_t i = 0; i < *count; ++i) {
        const std::uint64_t at = std::uint64_t{offset} + 2 + 12 * std::uint64_t{i};
        if (!tiff.contains(at, 12))
            break;
        const std::uint16_t tag = *tiff.read<std::uint16_t>(at);
        const std::uint16_t type = *tiff.read<std::uint16_t>(at + 2);
        const std::uint32_t elements = *tiff.read<std::uint32_t>(at + 4);
        if (directory == Directory::Tiff && tag == exifPointerTag) {
            if ((type == Long || type == IfdOffset) && elements == 1 && !exifOffset)
                exifOffset = *tiff.read<std::uint32_t>(at + 8);
            continue;
        }
        const auto name = tagName(directory, tag);
        if (!name || find(map, *name))
            continue;
        const std::uint64_t size = typeSize(type) * elements;
        if (typeSize(type) == 0)
            continue;
        const std::uint64_t dataOffset = size <= 4 ? at + 8 : std::uint64_t{*tiff.read<std::uint32_t>(at + 8)};
        if (!tiff.contains(dataOffset, size))
            continue;
        const Cursor data = *tiff.from(dataOffset, tiff.endian());
        if (auto value = decode(data, type, elements, tag == isoSpeedRatingsTag && directory == Directory::Exif))
            map.push_back({*name, std::move(*value)});
    }
    return exifOffset;
}

constexpr std::string_view tiffKey = "{TIFF}";
constexpr std::string_view exifKey = "{Exif}";

}  // namespace

void readTiff(std::span<const std::uint8_t> block, Map& properties)
{
    Cursor tiff(block, Endian::Little);
    const auto mark = tiff.read<std::uint16_t>(0);
    if (mark == 0x4D4D)
        tiff = Cursor(block, Endian::Big);
    else if (mark != 0x4949)
        return;
    const auto magic = tiff.read<std::uint16_t>(2);
    const auto ifd0 = tiff.read<std::uint32_t>(4);
    if (magic != 42 || !ifd0 || !tiff.contains(*ifd0, 2))
        return;

    Map tiffMap;
    const auto exifOffset = readIfd(tiff, *ifd0, Directory::Tiff, tiffMap);
    properties.push_back({tiffKey, Value(std::move(tiffMap))});
    // The Exif IFD is read once and never follows pointers itself, so loops
    // and self-pointers cannot recur.
    if (exifOffset && tiff.contains(*exifOffset, 2)) {
        Map exifMap;
        readIfd(tiff, *exifOffset, Directory::Exif, exifMap);
        properties.push_back({exifKey, Value(std::move(exifMap))});
    }
}

namespace {

// Bytes of an in-memory file.
class MemorySource {
public:
    explicit MemorySource(std::span<const std::uint8_t> bytes) : cursor_(bytes, Endian::Big) {}

    std::optional<std::span<const std::uint8_t>> bytes(std::uint64_t offset, std::uint64_t size)
    {
        return cursor_.bytes(offset, size);
    }

private:
    Cursor cursor_;
};

// A window over a file, refilled with pread on a miss. A miss reads what was
// asked plus a little more, so the small segments after a large one come in
// the same call.
class FileSource {
public:
    static constexpr std::size_t capacity = 65536 + 8192;
    static constexpr std::size_t lookAhead = 8192;

    FileSource(int fd, std::uint64_t fileSize) : fd_(fd), fileSize_(fileSize) {}

    std::optional<std::span<const std::uint8_t>> bytes(std::uint64_t offset, std::uint64_t size)
    {
        if (offset >= start_ && offset - start_ <= length_ && size <= length_ - (offset - start_))
            return std::span<const std::uint8_t>(buffer_.get() + (offset - start_), size);
        if (size > capacity - lookAhead || offset > fileSize_ || size > fileSize_ - offset)
            return std::nullopt;
        if (!buffer_)
            buffer_ = std::make_unique_for_overwrite<std::uint8_t[]>(capacity);
        const std::uint64_t wanted = std::min<std::uint64_t>(size + lookAhead, fileSize_ - offset);
        start_ = offset;
        length_ = readAt(offset, static_cast<std::size_t>(wanted));
        if (size > length_)
            return std::nullopt;
        return std::span<const std::uint8_t>(buffer_.get(), size);
    }

private:
    std::size_t readAt(std::uint64_t offset, std::size_t size)
    {
        std::size_t done = 0;
        while (done < size) {
            const ssize_t got = ::pread(fd_, buffer_.get() + done, size - done, static_cast<off_t>(offset + done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            done += static_cast<std::size_t>(got);
        }
        return done;
    }

    int fd_;
    std::uint64_t fileSize_;
    std::unique_ptr<std::uint8_t[]> buffer_;
    std::uint64_t start_ = 0;
    std::size_t length_ = 0;
};

constexpr int maxSegments = 256;
constexpr int maxFillBytes = 1024;

bool isFrameHeader(std::uint8_t marker)
{
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

void addFrameSize(std::span<const std::uint8_t> frameHeader, Map& properties)
{
    const Cursor header(frameHeader, Endian::Big);
    properties.push_back({"PixelHeight", Value(std::int64_t{*header.read<std::uint16_t>(1)})});
    properties.push_back({"PixelWidth", Value(std::int64_t{*header.read<std::uint16_t>(3)})});
}

constexpr std::uint8_t exifPrefix[] = {'E', 'x', 'i', 'f', 0, 0};

// Walks the marker segments up to the start of scan.
template <typename Source>
std::optional<Map> walk(Source& source)
{
    const auto soi = source.bytes(0, 2);
    if (!soi || (*soi)[0] != 0xFF || (*soi)[1] != 0xD8)
        return std::nullopt;

    Map properties;
    bool frame = false;
    bool exif = false;
    std::uint64_t at = 2;
    int fill = 0;
    for (int segment = 0; segment < maxSegments;) {
        const auto marker = source.bytes(at, 2);
        if (!marker || (*marker)[0] != 0xFF)
            return std::nullopt;
        const std::uint8_t code = (*marker)[1];
        if (code == 0xFF) {
            // Fill bytes may pad a marker.
            if (++fill > maxFillBytes)
                return std::nullopt;
            at += 1;
            continue;
        }
        ++segment;
        if (code == 0xDA)
            return frame ? std::optional<Map>(std::move(properties)) : std::nullopt;
        if (code == 0x01) {
            at += 2;
            continue;
        }
        // A second SOI, an EOI, restarts or a stuffed zero before any scan
        // mean this is not a JPEG stream we trust.
        if (code == 0x00 || code == 0xD8 || code == 0xD9 || (code >= 0xD0 && code <= 0xD7))
            return std::nullopt;
        const auto lengthBytes = source.bytes(at + 2, 2);
        if (!lengthBytes)
            return std::nullopt;
        const std::uint32_t length = (std::uint32_t{(*lengthBytes)[0]} << 8) | (*lengthBytes)[1];
        if (length < 2)
            return std::nullopt;
        if (isFrameHeader(code) && !frame) {
            const auto header = source.bytes(at + 4, 6);
            if (!header || length < 8)
                return std::nullopt;
            frame = true;
            addFrameSize(*header, properties);
        } else if (code == 0xE1 && !exif && length >= 2 + sizeof(exifPrefix)) {
            const auto payload = source.bytes(at + 4, length - 2);
            if (!payload)
                return std::nullopt;
            if (std::memcmp(payload->data(), exifPrefix, sizeof(exifPrefix)) == 0) {
                exif = true;
                readTiff(payload->subspan(sizeof(exifPrefix)), properties);
            }
        }
        at += 2 + std::uint64_t{length};
    }
    return std::nullopt;
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

}  // namespace

std::optional<Map> readProperties(std::span<const std::uint8_t> file)
{
    MemorySource source(file);
    return walk(source);
}

std::optional<Map> readFileProperties(const std::filesystem::path& path)
{
    // Non-blocking, so that a FIFO or device opens at once and is then turned
    // away by the regular-file check.
    const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0)
        return std::nullopt;
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode) || status.st_size <= 0)
        return std::nullopt;
    FileSource source(fd.get(), static_cast<std::uint64_t>(status.st_size));
    return walk(source);
}

}  // namespace optara::exif
