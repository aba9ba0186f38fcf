#include "PhotoBuilder.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <stdexcept>

namespace optara::testing {

namespace {

constexpr std::uint16_t exifPointerTag = 0x8769;
using Bytes = std::vector<std::uint8_t>;

std::uint32_t ifdSize(std::size_t entries)
{
    return static_cast<std::uint32_t>(2 + 12 * entries + 4);
}

void append(Bytes& out, const Bytes& more)
{
    out.insert(out.end(), more.begin(), more.end());
}

} // namespace

void TiffBuilder::put(Bytes& out, std::uint64_t value, int size) const
{
    for (int i = 0; i < size; ++i)
        out.push_back(
            static_cast<std::uint8_t>(value >> (8 * (order_ == ByteOrder::Big ? size - 1 - i : i))));
}

IfdEntry TiffBuilder::ascii(std::uint16_t tag, std::string_view text, std::uint16_t type) const
{
    Bytes data(text.begin(), text.end());
    data.push_back(0);
    const auto count = static_cast<std::uint32_t>(data.size());
    return raw(tag, type, count, std::move(data));
}

IfdEntry TiffBuilder::raw(std::uint16_t tag, std::uint16_t type, std::uint32_t count, Bytes data) const
{
    return {tag, type, count, std::move(data), std::nullopt};
}

IfdEntry TiffBuilder::numbers(std::uint16_t tag, std::uint16_t type,
                              const std::vector<std::int64_t>& values) const
{
    const bool rational = type == Rational || type == SignedRational;
    const auto count = static_cast<std::uint32_t>(rational ? values.size() / 2 : values.size());
    IfdEntry entry{tag, type, count, {}, std::nullopt};
    for (const std::int64_t value : values)
        put(entry.data, static_cast<std::uint64_t>(value),
            rational ? 4 : static_cast<int>(exif::typeSize(type)));
    return entry;
}

std::int64_t bitsOf(float value)
{
    return std::bit_cast<std::uint32_t>(value);
}

std::int64_t bitsOf(double value)
{
    return static_cast<std::int64_t>(std::bit_cast<std::uint64_t>(value));
}

std::uint32_t TiffBuilder::exifOffset(const Ifd& ifd0, bool addsPointer)
{
    return ifd0Offset + ifdSize(ifd0.entries.size() + (addsPointer ? 1 : 0));
}

Bytes TiffBuilder::block(const Ifd& ifd0, const std::optional<Ifd>& exif) const
{
    Ifd first = ifd0;
    const bool addsPointer = exif && std::none_of(ifd0.entries.begin(), ifd0.entries.end(),
                                                  [](const IfdEntry& e) { return e.tag == exifPointerTag; });
    if (addsPointer)
        first.entries.push_back({exifPointerTag, Long, 1, {}, exifOffset(ifd0, true)});
    std::vector<const Ifd*> ifds = {&first};
    if (exif)
        ifds.push_back(&*exif);
    std::uint32_t dataAt = ifd0Offset;
    for (const Ifd* ifd : ifds)
        dataAt += ifdSize(ifd->entries.size());

    Bytes out = order_ == ByteOrder::Big ? Bytes{'M', 'M'} : Bytes{'I', 'I'};
    put(out, 42, 2);
    put(out, ifd0Offset, 4);
    Bytes data;
    for (const Ifd* ifd : ifds) {
        put(out, ifd->claimedCount.value_or(static_cast<std::uint16_t>(ifd->entries.size())), 2);
        for (const IfdEntry& entry : ifd->entries) {
            put(out, entry.tag, 2);
            put(out, entry.type, 2);
            put(out, entry.count, 4);
            if (entry.rawValue) {
                put(out, *entry.rawValue, 4);
            } else if (exif::typeSize(entry.type) * entry.count <= 4) {
                Bytes inlined(entry.data.begin(),
                              entry.data.begin() + std::min<std::ptrdiff_t>(4, std::ssize(entry.data)));
                inlined.resize(4);
                append(out, inlined);
            } else {
                put(out, dataAt + data.size(), 4);
                append(data, entry.data);
                data.resize(data.size() + data.size() % 2);
            }
        }
        put(out, ifd->next, 4);
    }
    append(out, data);
    return out;
}

Bytes segment(std::uint8_t marker, const Bytes& payload)
{
    const std::size_t length = std::min<std::size_t>(payload.size(), 65533);
    Bytes out = {0xFF, marker, static_cast<std::uint8_t>((length + 2) >> 8),
                 static_cast<std::uint8_t>(length + 2)};
    out.insert(out.end(), payload.begin(), payload.begin() + static_cast<std::ptrdiff_t>(length));
    return out;
}

Bytes exifSegment(const Bytes& tiff)
{
    Bytes payload = {'E', 'x', 'i', 'f', 0, 0};
    append(payload, tiff);
    return segment(0xE1, payload);
}

Bytes tinyImage()
{
    // One quantisation table of ones; a baseline 8x8 frame of one component;
    // DC and AC tables with a single one-bit code each, for category 0 and
    // EOB; then one block (DC difference 0, EOB, one-bit padding) and EOI.
    Bytes table(65, 1);
    table[0] = 0;
    Bytes huffman;
    for (const std::uint8_t classAndId : {std::uint8_t{0x00}, std::uint8_t{0x10}}) {
        huffman.insert(huffman.end(), {classAndId, 1});
        huffman.insert(huffman.end(), 16, 0);
    }
    Bytes out = segment(0xDB, table);
    append(out, segment(0xC0, {8, 0, 8, 0, 8, 1, 1, 0x11, 0}));
    append(out, segment(0xC4, huffman));
    append(out, segment(0xDA, {1, 1, 0x00, 0, 63, 0}));
    append(out, {0x3F, 0xFF, 0xD9});
    return out;
}

Bytes jpeg(const std::vector<Bytes>& segments)
{
    Bytes out = {0xFF, 0xD8};
    for (const Bytes& piece : segments)
        append(out, piece);
    append(out, tinyImage());
    return out;
}

Bytes photoTiff(const PhotoFields& fields, ByteOrder order)
{
    const TiffBuilder b(order);
    Ifd ifd0;
    if (fields.make)
        ifd0.entries.push_back(b.ascii(0x010F, *fields.make));
    if (fields.model)
        ifd0.entries.push_back(b.ascii(0x0110, *fields.model));
    const auto rational = [&](std::uint16_t tag, const Fraction& value) {
        return b.numbers(tag, Rational, {value.first, value.second});
    };
    Ifd exif;
    if (fields.exposureTime)
        exif.entries.push_back(rational(0x829A, *fields.exposureTime));
    if (fields.fNumber)
        exif.entries.push_back(rational(0x829D, *fields.fNumber));
    if (fields.iso)
        exif.entries.push_back(b.numbers(0x8827, Short, {fields.iso->begin(), fields.iso->end()}));
    if (fields.dateTimeOriginal)
        exif.entries.push_back(b.ascii(0x9003, *fields.dateTimeOriginal));
    if (fields.focalLength)
        exif.entries.push_back(rational(0x920A, *fields.focalLength));
    if (fields.lens)
        exif.entries.push_back(b.ascii(0xA434, *fields.lens));
    return b.block(ifd0, exif.entries.empty() ? std::nullopt : std::optional<Ifd>(exif));
}

Bytes photoJpeg(const PhotoFields& fields, ByteOrder order)
{
    return jpeg({exifSegment(photoTiff(fields, order))});
}

Bytes amplifyingJpeg()
{
    const TiffBuilder b;
    Ifd ifd0, exif;
    const std::uint16_t claimed[] = {0x010F, 0x0110, 0x927C, 0x9286, 0xA434, 0x8827, 0x920A};
    for (int i = 0; i < 700; ++i) {
        for (const std::uint16_t tag : claimed) {
            IfdEntry entry = i % 2 ? b.raw(tag, Undefined, 60000, {}) : b.raw(tag, Rational, 8000, {});
            entry.rawValue = 8;
            (tag < 0x8000 ? ifd0 : exif).entries.push_back(entry);
        }
    }
    Bytes tiff = b.block(ifd0, exif);
    tiff.resize(65000, 0);
    return jpeg({exifSegment(tiff)});
}

namespace {

std::uint32_t crc32(const Bytes& bytes, std::size_t from)
{
    std::uint32_t crc = 0xFFFFFFFF;
    for (std::size_t i = from; i < bytes.size(); ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    return ~crc;
}

void putBigEndian(Bytes& out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void pngChunk(Bytes& out, std::string_view type, const Bytes& body)
{
    putBigEndian(out, static_cast<std::uint32_t>(body.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type.begin(), type.end());
    append(out, body);
    putBigEndian(out, crc32(out, start));
}

void riffChunk(Bytes& out, std::string_view type, const Bytes& body)
{
    out.insert(out.end(), type.begin(), type.end());
    const auto size = static_cast<std::uint32_t>(body.size());
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>(size >> shift));
    append(out, body);
    if (body.size() % 2)
        out.push_back(0);
}

} // namespace

Bytes pngFile(const std::optional<Bytes>& exif)
{
    Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    pngChunk(out, "IHDR", {0, 0, 0, 1, 0, 0, 0, 1, 8, 0, 0, 0, 0});
    if (exif)
        pngChunk(out, "eXIf", *exif);
    // zlib stream of one filter byte and one grey sample.
    pngChunk(out, "IDAT", {0x78, 0x01, 0x63, 0x60, 0x00, 0x00, 0x00, 0x02, 0x00, 0x01});
    pngChunk(out, "IEND", {});
    return out;
}

Bytes webpFile(const std::optional<Bytes>& exif)
{
    Bytes chunks = {'W', 'E', 'B', 'P'};
    // VP8X: the EXIF flag, then a canvas of 1x1 (sizes stored minus one).
    riffChunk(chunks, "VP8X", {static_cast<std::uint8_t>(exif ? 0x08 : 0), 0, 0, 0, 0, 0, 0, 0, 0, 0});
    riffChunk(chunks, "VP8L",
              {0x2F, 0, 0, 0, 0, 0x07, 0x50, 0xBF, 0xFA, 0xD5, 0xAF, 0xFF, 0x81, 0x88, 0xE8, 0x7F, 0});
    if (exif)
        riffChunk(chunks, "EXIF", *exif);
    Bytes out;
    riffChunk(out, "RIFF", chunks);
    return out;
}

void writeBytes(const std::filesystem::path& file, const Bytes& bytes)
{
    std::FILE* out = std::fopen(file.c_str(), "wb");
    if (out == nullptr)
        throw std::runtime_error("cannot create " + file.string());
    const bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    if (std::fclose(out) != 0 || !written)
        throw std::runtime_error("cannot write " + file.string());
}

} // namespace optara::testing
