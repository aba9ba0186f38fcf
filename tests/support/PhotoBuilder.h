#pragma once

#include "TiffType.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Builds small, real JPEG files carrying chosen EXIF values, for tests,
// benchmarks and fuzz seeds.
namespace optara::testing {

enum class ByteOrder { Little, Big };

using Fraction = std::pair<std::uint32_t, std::uint32_t>;

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
std::vector<std::uint8_t> photoJpeg(const PhotoFields& fields, ByteOrder order = ByteOrder::Little);

void writeBytes(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes);

// Lower-level pieces, for files that are broken on purpose.

// Entry types as the reader names them.
using exif::TiffType;
using enum exif::TiffType;

// One IFD entry as it will be written. data holds the value bytes already in
// the block's byte order; it is stored inline when type size x count fits in
// four bytes and in the data area otherwise, whatever its real length, so a
// count may claim more than is there.
struct IfdEntry {
    std::uint16_t tag = 0;
    std::uint16_t type = 0;
    std::uint32_t count = 0;
    std::vector<std::uint8_t> data;
    // Written into the value field as is (an offset of our choosing); data is
    // then not stored.
    std::optional<std::uint32_t> rawValue;
};

struct Ifd {
    std::vector<IfdEntry> entries;
    std::uint32_t next = 0;
    // Overrides the entry count written in front of the entries.
    std::optional<std::uint16_t> claimedCount{};
};

// Encodes entries in one byte order and lays out TIFF blocks:
// header, IFD0 at offset 8, the Exif IFD right after it, then the data area.
class TiffBuilder {
  public:
    static constexpr std::uint32_t ifd0Offset = 8;

    explicit TiffBuilder(ByteOrder order = ByteOrder::Little) : order_(order) {}

    // Texts get their terminating NUL, counted.
    IfdEntry ascii(std::uint16_t tag, std::string_view text, std::uint16_t type = Ascii) const;
    IfdEntry raw(std::uint16_t tag, std::uint16_t type, std::uint32_t count,
                 std::vector<std::uint8_t> data) const;
    // Elements of a numeric type, each written in its size; rationals take
    // two values (numerator, denominator) per element.
    IfdEntry numbers(std::uint16_t tag, std::uint16_t type, const std::vector<std::int64_t>& values) const;

    // IFD0 gets an Exif pointer (0x8769) to the Exif IFD unless it has one.
    std::vector<std::uint8_t> block(const Ifd& ifd0, const std::optional<Ifd>& exif = std::nullopt) const;

    // Where block() puts the Exif IFD for this IFD0 (for hand-made pointers).
    static std::uint32_t exifOffset(const Ifd& ifd0, bool addsPointer);

  private:
    // The low size bytes of value, in the block's byte order.
    void put(std::vector<std::uint8_t>& out, std::uint64_t value, int size) const;

    ByteOrder order_;
};

// The bits of a float or double, for numbers() of type Float or Double.
std::int64_t bitsOf(float value);
std::int64_t bitsOf(double value);

// A marker segment with its length field; a payload too long for the field is
// cut so that the length stays truthful.
std::vector<std::uint8_t> segment(std::uint8_t marker, const std::vector<std::uint8_t>& payload);
// APP1 with "Exif\0\0" and the TIFF block.
std::vector<std::uint8_t> exifSegment(const std::vector<std::uint8_t>& tiff);
// SOI, the segments in order, then a decodable 8x8 grey image and EOI.
std::vector<std::uint8_t> jpeg(const std::vector<std::vector<std::uint8_t>>& segments);
// The segments from the quantisation table to EOI, SOS included.
std::vector<std::uint8_t> tinyImage();
// The TIFF block photoJpeg puts in its APP1; on its own, a TIFF file.
std::vector<std::uint8_t> photoTiff(const PhotoFields& fields, ByteOrder order = ByteOrder::Little);
// A JPEG whose 64 KiB EXIF segment holds thousands of entries, each claiming
// a large array over the same bytes, for the fields read and for others.
std::vector<std::uint8_t> amplifyingJpeg();
// A 1x1 grey PNG, with an eXIf chunk before its image data when exif is given.
std::vector<std::uint8_t> pngFile(const std::optional<std::vector<std::uint8_t>>& exif);
// A lossless 1x1 WebP, with an EXIF chunk when exif is given.
std::vector<std::uint8_t> webpFile(const std::optional<std::vector<std::uint8_t>>& exif);

} // namespace optara::testing
