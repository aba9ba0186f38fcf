#pragma once

#include "TiffType.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Small, real JPEG files carrying chosen EXIF values, for tests and benchmarks.
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

// SOI, APP1 "Exif" with IFD0 and, when any of its fields is set, the Exif IFD; then tinyImage().
Bytes photoJpeg(const PhotoFields& fields, ByteOrder order = ByteOrder::Little);
void writeBytes(const std::filesystem::path& file, const Bytes& bytes);

// Lower-level pieces, for files that are broken on purpose.
using enum exif::TiffType;

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
    IfdEntry ascii(std::uint16_t tag, std::string_view text) const; // with its NUL
    // Float and Double elements as such, others as integers; a rational is two values.
    IfdEntry numbers(std::uint16_t tag, std::uint16_t type, const std::vector<double>& values) const;
    Bytes block(const Ifd& ifd0, const std::optional<Ifd>& exif = std::nullopt) const;
    static std::uint32_t exifOffset(std::size_t ifd0Entries) { return 14 + 12 * std::uint32_t(ifd0Entries); }
};

Bytes concat(std::initializer_list<Bytes> parts);
Bytes bytes(std::string_view text); // a ""sv literal may hold NULs
Bytes word(std::uint64_t value, int size, ByteOrder order);
Bytes segment(std::uint8_t marker, const Bytes& payload); // with its length
Bytes exifSegment(const Bytes& tiff);                     // APP1, "Exif\0\0", the TIFF block
Bytes tinyImage(); // the segments from DQT to EOI of a decodable 8x8 grey image
Bytes jpeg(std::initializer_list<Bytes> segments); // SOI, the segments, tinyImage()

} // namespace optara::testing
