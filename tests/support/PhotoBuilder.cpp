#include "PhotoBuilder.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <stdexcept>

namespace optara::testing {

namespace {

constexpr std::uint16_t exifPointerTag = 0x8769;

bool hasTag(const Ifd& ifd, std::uint16_t tag)
{
    return std::any_of(ifd.entries.begin(), ifd.entries.end(), [&](const IfdEntry& e) { return e.tag == tag; });
}

std::uint32_t ifdSize(std::size_t entries)
{
    return static_cast<std::uint32_t>(2 + 12 * entries + 4);
}

}  // namespace

void TiffBuilder::put16(std::vector<std::uint8_t>& out, std::uint16_t value) const
{
    const std::uint8_t hi = static_cast<std::uint8_t>(value >> 8), lo = static_cast<std::uint8_t>(value);
    if (order_ == ByteOrder::Big)
        out.insert(out.end(), {hi, lo});
    else
        out.insert(out.end(), {lo, hi});
}

void TiffBuilder::put32(std::vector<std::uint8_t>& out, std::uint32_t value) const
{
    if (order_ == ByteOrder::Big) {
        put16(out, static_cast<std::uint16_t>(value >> 16));
        put16(out, static_cast<std::uint16_t>(value));
    } else {
        put16(out, static_cast<std::uint16_t>(value));
        put16(out, static_cast<std::uint16_t>(value >> 16));
    }
}

IfdEntry TiffBuilder::ascii(std::uint16_t tag, std::string_view text, std::uint16_t type) const
{
    std::vector<std::uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    const auto count = static_cast<std::uint32_t>(data.size());
    return {tag, type, count, std::move(data), std::nullopt};
}

IfdEntry TiffBuilder::raw(std::uint16_t tag, std::uint16_t type, std::uint32_t count,
                          std::vector<std::uint8_t> data) const
{
    return {tag, type, count, std::move(data), std::nullopt};
}

IfdEntry TiffBuilder::bytes(std::uint16_t tag, const std::vector<std::uint8_t>& values, std::uint16_t type) const
{
    return {tag, type, static_cast<std::uint32_t>(values.size()), values, std::nullopt};
}

IfdEntry TiffBuilder::shorts(std::uint16_t tag, const std::vector<std::uint16_t>& values, std::uint16_t type) const
{
    IfdEntry entry{tag, type, static_cast<std::uint32_t>(values.size()), {}, std::nullopt};
    for (std::uint16_t value : values)
        put16(entry.data, value);
    return entry;
}

IfdEntry TiffBuilder::longs(std::uint16_t tag, const std::vector<std::uint32_t>& values, std::uint16_t type) const
{
    IfdEntry entry{tag, type, static_cast<std::uint32_t>(values.size()), {}, std::nullopt};
    for (std::uint32_t value : values)
        put32(entry.data, value);
    return entry;
}

IfdEntry TiffBuilder::rationals(std::uint16_t tag, const std::vector<Fraction>& values) const
{
    IfdEntry entry{tag, Rational, static_cast<std::uint32_t>(values.size()), {}, std::nullopt};
    for (const auto& [numerator, denominator] : values) {
        put32(entry.data, numerator);
        put32(entry.data, denominator);
    }
    return entry;
}

IfdEntry TiffBuilder::signedRationals(std::uint16_t tag,
                                      const std::vector<std::pair<std::int32_t, std::int32_t>>& values) const
{
    IfdEntry entry{tag, SignedRational, static_cast<std::uint32_t>(values.size()), {}, std::nullopt};
    for (const auto& [numerator, denominator] : values) {
        put32(entry.data, static_cast<std::uint32_t>(numerator));
        put32(entry.data, static_cast<std::uint32_t>(denominator));
    }
    return entry;
}

IfdEntry TiffBuilder::floats(std::uint16_t tag, const std::vector<float>& values) const
{
    IfdEntry entry{tag, Float, static_cast<std::uint32_t>(values.size()), {}, std::nullopt};
    for (float value : values)
        put32(entry.data, std::bit_cast<std::uint32_t>(value));
    return entry;
}

IfdEntry TiffBuilder::doubles(std::uint16_t tag, const std::vector<double>& values) const
{
    IfdEntry entry{tag, Double, static_cast<std::uint32_t>(values.size()), {}, std::nullopt};
    for (double value : values) {
        const auto bits = std::bit_cast<std::uint64_t>(value);
        if (order_ == ByteOrder::Big) {
            put32(entry.data, static_cast<std::uint32_t>(bits >> 32));
            put32(entry.data, static_cast<std::uint32_t>(bits));
        } else {
            put32(entry.data, static_cast<std::uint32_t>(bits));
            put32(entry.data, static_cast<std::uint32_t>(bits >> 32));
        }
    }
    return entry;
}

std::uint32_t TiffBuilder::exifOffset(const Ifd& ifd0, bool addsPointer)
{
    return ifd0Offset + ifdSize(ifd0.entries.size() + (addsPointer ? 1 : 0));
}

std::vector<std::uint8_t> TiffBuilder::block(const Ifd& ifd0, const std::optional<Ifd>& exif) const
{
    Ifd first = ifd0;
    const bool addsPointer = exif && !hasTag(ifd0, exifPointerTag);
    const std::uint32_t exifAt = exifOffset(ifd0, addsPointer);
    if (addsPointer)
        first.entries.push_back({exifPointerTag, Long, 1, {}, exifAt});

    std::vector<const Ifd*> ifds = {&first};
    if (exif)
        ifds.push_back(&*exif);
    std::uint32_t dataAt = ifd0Offset;
    for (const Ifd* ifd : ifds)
        dataAt += ifdSize(ifd->entries.size());

    std::vector<std::uint8_t> out;
    if (order_ == ByteOrder::Big)
        out.insert(out.end(), {'M', 'M'});
    else
        out.insert(out.end(), {'I', 'I'});
    put16(out, 42);
    put32(out, ifd0Offset);
    std::vector<std::uint8_t> data;
    for (const Ifd* ifd : ifds) {
        put16(out, ifd->claimedCount.value_or(static_cast<std::uint16_t>(ifd->entries.size())));
        for (const IfdEntry& entry : ifd->entries) {
            put16(out, entry.tag);
            put16(out, entry.type);
            put32(out, entry.count);
            if (entry.rawValue) {
                put32(out, *entry.rawValue);
                continue;
            }
            if (exif::typeSize(entry.type) * entry.count <= 4) {
                std::uint8_t inline_[4] = {};
                std::copy_n(entry.data.begin(), std::min<std::size_t>(4, entry.data.size()), inline_);
                out.insert(out.end(), inline_, inline_ + 4);
                continue;
            }
            put32(out, static_cast<std::uint32_t>(dataAt + data.size()));
            data.insert(data.end(), entry.data.begin(), entry.data.end());
            if (data.size() % 2)
                data.push_back(0);
        }
        put32(out, ifd->next);
    }
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

std::vector<std::uint8_t> segment(std::uint8_t marker, const std::vector<std::uint8_t>& payload)
{
    const std::size_t length = std::min<std::size_t>(payload.size(), 65533);
    std::vector<std::uint8_t> out = {0xFF, marker, static_cast<std::uint8_t>((length + 2) >> 8),
                                     static_cast<std::uint8_t>(length + 2)};
    out.insert(out.end(), payload.begin(), payload.begin() + static_cast<std::ptrdiff_t>(length));
    return out;
}

std::vector<std::uint8_t> exifSegment(const std::vector<std::uint8_t>& tiff)
{
    std::vector<std::uint8_t> payload = {'E', 'x', 'i', 'f', 0, 0};
    payload.insert(payload.end(), tiff.begin(), tiff.end());
    return segment(0xE1, payload);
}

std::vector<std::uint8_t> tinyImage()
{
    std::vector<std::uint8_t> out;
    // One quantisation table of ones.
    std::vector<std::uint8_t> table(65, 1);
    table[0] = 0x00;
    auto dqt = segment(0xDB, table);
    out.insert(out.end(), dqt.begin(), dqt.end());
    // Baseline frame: 8 bits, 8x8, one component sampled 1x1 using table 0.
    auto sof = segment(0xC0, {8, 0, 8, 0, 8, 1, 1, 0x11, 0});
    out.insert(out.end(), sof.begin(), sof.end());
    // DC and AC tables with a single one-bit code each, for category 0 and EOB.
    std::vector<std::uint8_t> huffman;
    for (std::uint8_t classAndId : {std::uint8_t{0x00}, std::uint8_t{0x10}}) {
        huffman.push_back(classAndId);
        huffman.push_back(1);
        huffman.insert(huffman.end(), 15, 0);
        huffman.push_back(0);
    }
    auto dht = segment(0xC4, huffman);
    out.insert(out.end(), dht.begin(), dht.end());
    auto sos = segment(0xDA, {1, 1, 0x00, 0, 63, 0});
    out.insert(out.end(), sos.begin(), sos.end());
    // One block: DC difference 0, then EOB, padded with one-bits.
    out.push_back(0x3F);
    out.insert(out.end(), {0xFF, 0xD9});
    return out;
}

std::vector<std::uint8_t> jpeg(const std::vector<std::vector<std::uint8_t>>& segments)
{
    std::vector<std::uint8_t> out = {0xFF, 0xD8};
    for (const auto& piece : segments)
        out.insert(out.end(), piece.begin(), piece.end());
    const auto image = tinyImage();
    out.insert(out.end(), image.begin(), image.end());
    return out;
}

std::vector<std::uint8_t> photoTiff(const PhotoFields& fields, ByteOrder order)
{
    const TiffBuilder builder(order);
    Ifd ifd0;
    if (fields.make)
        ifd0.entries.push_back(builder.ascii(0x010F, *fields.make));
    if (fields.model)
        ifd0.entries.push_back(builder.ascii(0x0110, *fields.model));

    Ifd exif;
    if (fields.exposureTime)
        exif.entries.push_back(builder.rationals(0x829A, {*fields.exposureTime}));
    if (fields.fNumber)
        exif.entries.push_back(builder.rationals(0x829D, {*fields.fNumber}));
    if (fields.iso)
        exif.entries.push_back(builder.shorts(0x8827, *fields.iso));
    if (fields.dateTimeOriginal)
        exif.entries.push_back(builder.ascii(0x9003, *fields.dateTimeOriginal));
    if (fields.focalLength)
        exif.entries.push_back(builder.rationals(0x920A, {*fields.focalLength}));
    if (fields.lens)
        exif.entries.push_back(builder.ascii(0xA434, *fields.lens));

    return builder.block(ifd0, exif.entries.empty() ? std::nullopt : std::optional<Ifd>(exif));
}

std::vector<std::uint8_t> photoJpeg(const PhotoFields& fields, ByteOrder order)
{
    return jpeg({exifSegment(photoTiff(fields, order))});
}

void writeBytes(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes)
{
    std::FILE* out = std::fopen(file.c_str(), "wb");
    if (out == nullptr)
        throw std::runtime_error("cannot create " + file.string());
    const bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    if (std::fclose(out) != 0 || !written)
        throw std::runtime_error("cannot write " + file.string());
}

}  // namespace optara::testing
