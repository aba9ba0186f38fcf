#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// Builds small, real JPEG files carrying chosen EXIF values, for tests,
// benchmarks and fuzz seeds.
namespace optara::testing {

enum class ByteOrder { Little, Big };

using Rational = std::pair<std::uint32_t, std::uint32_t>;

struct PhotoFields {
    std::optional<std::string> make;                    // IFD0 0x010F
    std::optional<std::string> model;                   // IFD0 0x0110
    std::optional<std::string> lens;                    // Exif 0xA434
    std::optional<Rational> focalLength;                // Exif 0x920A
    std::optional<Rational> fNumber;                    // Exif 0x829D
    std::optional<Rational> exposureTime;               // Exif 0x829A
    std::optional<std::vector<std::uint16_t>> iso;      // Exif 0x8827
    std::optional<std::string> dateTimeOriginal;        // Exif 0x9003
};

// SOI, an APP1 "Exif" segment with IFD0 and (when any Exif field is set) an
// Exif IFD, then a tiny decodable image and EOI.
std::vector<std::uint8_t> photoJpeg(const PhotoFields& fields, ByteOrder order = ByteOrder::Little);

void writeBytes(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes);

}  // namespace optara::testing
