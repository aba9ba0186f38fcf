#pragma once

#include "TiffType.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Small, real JPEG files carrying chosen EXIF values, for tests and benchmarks.
namespace optara::testing {

enum class ByteOrder { Little, Big };
using Fraction = std::pair<std::uint32_t, std::uint32_t>;
using Bytes = std::vector<std::uint8_t>;
using enum exif::TiffType;

// A ""sv literal may hold NULs.
inline Bytes bytes(std::string_view text)
{
    return Bytes(text.begin(), text.end());
}

inline Bytes concat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

inline Bytes word(std::uint64_t value, int size, ByteOrder order)
{
    Bytes out;
    for (int i = 0; i < size; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> 8 * (order == ByteOrder::Big ? size - 1 - i : i)));
    return out;
}

// Bytes per element by type code, our own table rather than the reader's; 0 for an unknown code.
inline std::uint64_t sizeOf(std::uint16_t type)
{
    constexpr std::uint64_t sizes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};
    return type < std::size(sizes) ? sizes[type] : type == Utf8 ? 1 : 0;
}

// data goes inline when type size x count fits in four bytes, else to the data area; an offset replaces both.
struct IfdEntry {
    std::uint16_t tag = 0, type = 0;
    std::uint32_t count = 0;
    Bytes data{};
    std::optional<std::uint32_t> offset{};
};

using Ifd = std::vector<IfdEntry>;

// Header, IFD0 at offset 8 (given an Exif pointer unless it has one), the Exif IFD, then the data area.
struct TiffBuilder {
    ByteOrder order = ByteOrder::Little;

    // With its NUL.
    IfdEntry ascii(std::uint16_t tag, std::string_view text) const
    {
        return {tag, Ascii, static_cast<std::uint32_t>(text.size() + 1), concat({bytes(text), {0}})};
    }

    // Float and Double elements as such, others as integers; a rational is two values.
    IfdEntry numbers(std::uint16_t tag, std::uint16_t type, const std::vector<double>& values) const
    {
        const bool rational = type == Rational || type == SignedRational;
        IfdEntry entry{tag, type, static_cast<std::uint32_t>(values.size() / (rational ? 2 : 1))};
        for (const double value : values)
            entry.data = concat({entry.data, word(type == Float ? std::bit_cast<std::uint32_t>(float(value))
                                                  : type == Double ? std::bit_cast<std::uint64_t>(value)
                                                                   : std::uint64_t(std::int64_t(value)),
                                                  rational ? 4 : int(sizeOf(type)), order)});
        return entry;
    }

    Bytes block(const Ifd& ifd0, const std::optional<Ifd>& exif = std::nullopt) const
    {
        Ifd first = ifd0;
        if (exif && std::ranges::none_of(ifd0, [](const IfdEntry& e) { return e.tag == 0x8769; }))
            first.push_back({0x8769, Long, 1, {}, exifOffset(ifd0.size() + 1)});
        const std::vector<Ifd> ifds = exif ? std::vector<Ifd>{first, *exif} : std::vector<Ifd>{first};
        const std::uint64_t dataAt = 8 + 6 * ifds.size() + 12 * (first.size() + (exif ? exif->size() : 0));
        Bytes out =
            concat({bytes(order == ByteOrder::Big ? "MM" : "II"), word(42, 2, order), word(8, 4, order)});
        Bytes data;
        for (const Ifd& ifd : ifds) {
            out = concat({out, word(ifd.size(), 2, order)});
            for (const IfdEntry& e : ifd) {
                const bool inlined = !e.offset && sizeOf(e.type) * e.count <= 4;
                Bytes value = inlined ? e.data : word(e.offset.value_or(dataAt + data.size()), 4, order);
                value.resize(4);
                if (!inlined && !e.offset)
                    data = concat({data, e.data, Bytes(e.data.size() % 2)});
                out = concat(
                    {out, word(e.tag, 2, order), word(e.type, 2, order), word(e.count, 4, order), value});
            }
            out = concat({out, Bytes(4)}); // no next IFD
        }
        return concat({out, data});
    }

    static std::uint32_t exifOffset(std::size_t ifd0Entries) { return 14 + 12 * std::uint32_t(ifd0Entries); }
};

// With its length.
inline Bytes segment(std::uint8_t marker, const Bytes& payload)
{
    return concat({{0xFF, marker}, word(payload.size() + 2, 2, ByteOrder::Big), payload});
}

// APP1, "Exif\0\0", the TIFF block.
inline Bytes exifSegment(const Bytes& tiff)
{
    return segment(0xE1, concat({{'E', 'x', 'i', 'f', 0, 0}, tiff}));
}

// The segments from DQT to EOI of a decodable 8x8 grey image: quantisation by ones; one component; DC and
// AC codes of one bit, for category 0 and EOB; one block (DC difference 0, EOB, padding); EOI.
inline Bytes tinyImage()
{
    Bytes table(65, 1);
    table[0] = 0;
    return concat({segment(0xDB, table),
                   segment(0xC0, {8, 0, 8, 0, 8, 1, 1, 0x11, 0}),
                   segment(0xC4, concat({{0x00, 1}, Bytes(16), {0x10, 1}, Bytes(16)})),
                   segment(0xDA, {1, 1, 0x00, 0, 63, 0}),
                   {0x3F, 0xFF, 0xD9}});
}

// SOI, the segments, tinyImage().
inline Bytes jpeg(std::initializer_list<Bytes> segments)
{
    return concat({{0xFF, 0xD8}, concat(segments), tinyImage()});
}

struct PhotoFields {
    std::optional<std::string> make{};               // IFD0 0x010F
    std::optional<std::string> model{};              // IFD0 0x0110
    std::optional<std::string> lens{};               // Exif 0xA434
    std::optional<Fraction> focalLength{};           // Exif 0x920A
    std::optional<Fraction> fNumber{};               // Exif 0x829D
    std::optional<Fraction> exposureTime{};          // Exif 0x829A
    std::optional<std::vector<std::uint16_t>> iso{}; // Exif 0x8827
    std::optional<std::string> dateTimeOriginal{};   // Exif 0x9003
};

// SOI, APP1 "Exif" with IFD0 and, when any of its fields is set, the Exif IFD; then tinyImage().
inline Bytes photoJpeg(const PhotoFields& f, ByteOrder order = ByteOrder::Little)
{
    const TiffBuilder b{order};
    const auto text = [&](std::uint16_t tag, const std::optional<std::string>& v) {
        return v ? b.ascii(tag, *v) : IfdEntry{};
    };
    const auto fraction = [&](std::uint16_t tag, const std::optional<Fraction>& v) {
        return v ? b.numbers(tag, Rational, {double(v->first), double(v->second)}) : IfdEntry{};
    };
    const IfdEntry iso = f.iso ? b.numbers(0x8827, Short, {f.iso->begin(), f.iso->end()}) : IfdEntry{};
    Ifd ifd0{text(0x010F, f.make), text(0x0110, f.model)};
    Ifd exif{fraction(0x829A, f.exposureTime), fraction(0x829D, f.fNumber),     iso,
             text(0x9003, f.dateTimeOriginal), fraction(0x920A, f.focalLength), text(0xA434, f.lens)};
    for (Ifd* ifd : {&ifd0, &exif})
        std::erase_if(*ifd, [](const IfdEntry& e) { return e.tag == 0; });
    return jpeg({exifSegment(b.block(ifd0, exif.empty() ? std::nullopt : std::optional(exif)))});
}

inline void writeBytes(const std::filesystem::path& file, const Bytes& bytes)
{
    std::ofstream out(file, std::ios::binary);
    if (!out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size())).flush())
        throw std::runtime_error("cannot write " + file.string());
}

} // namespace optara::testing
