#pragma once

#include "TiffType.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Builds small, real JPEG files carrying chosen EXIF values, for tests and benchmarks.
namespace optara::testing {

enum class ByteOrder { Little, Big };
using Fraction = std::pair<std::uint32_t, std::uint32_t>;
using Bytes = std::vector<std::uint8_t>;

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

// SOI, an APP1 "Exif" segment with IFD0 and (when any Exif field is set) an
// Exif IFD, then a tiny decodable image and EOI.
Bytes photoJpeg(const PhotoFields& fields, ByteOrder order = ByteOrder::Little);
// The TIFF block of photoJpeg's APP1; on its own, a TIFF file.
Bytes photoTiff(const PhotoFields& fields, ByteOrder order = ByteOrder::Little);
void writeBytes(const std::filesystem::path& file, const Bytes& bytes);

// Lower-level pieces, for files that are broken on purpose.
using enum exif::TiffType;

// data, in the block's byte order, is stored inline when type size x count
// fits in four bytes and in the data area otherwise, so a count may claim
// more than is there. An offset replaces the value field and data.
struct IfdEntry {
    std::uint16_t tag = 0, type = 0;
    std::uint32_t count = 0;
    Bytes data{};
    std::optional<std::uint32_t> offset{};
};

struct Ifd {
    std::vector<IfdEntry> entries;
    std::uint32_t next = 0;
    std::optional<std::uint16_t> claimedCount{}; // written instead of the entry count
};

// TIFF blocks: header, IFD0 at offset 8, the Exif IFD right after it, then the data area.
struct TiffBuilder {
    ByteOrder order = ByteOrder::Little;

    // The text and its terminating NUL.
    IfdEntry ascii(std::uint16_t tag, std::string_view text, std::uint16_t type = Ascii) const;
    // Float and Double elements as such, others as integers; a rational is two values.
    IfdEntry numbers(std::uint16_t tag, std::uint16_t type, const std::vector<double>& values) const;
    // IFD0 gets an Exif pointer (0x8769) to the Exif IFD unless it has one.
    Bytes block(const Ifd& ifd0, const std::optional<Ifd>& exif = std::nullopt) const;
    static std::uint32_t exifOffset(std::size_t ifd0Entries) { return 14 + 12 * std::uint32_t(ifd0Entries); }
};

Bytes concat(std::initializer_list<Bytes> parts);
// The bytes of a text; a ""sv literal may hold NULs.
Bytes bytes(std::string_view text);
// The low size bytes of value.
Bytes word(std::uint64_t value, int size, ByteOrder order);
// A marker segment; a payload too long for the length field is cut.
Bytes segment(std::uint8_t marker, const Bytes& payload);
// APP1 with "Exif\0\0" and the TIFF block.
Bytes exifSegment(const Bytes& tiff);
// The segments from the quantisation table to EOI: a decodable 8x8 grey image.
Bytes tinyImage();
// SOI, the segments, then tinyImage().
Bytes jpeg(std::initializer_list<Bytes> segments);

} // namespace optara::testing
