#pragma once

#include "Value.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

// Turns a JPEG file into the property map of its first image:
//   "{TIFF}"      the primary image directory (IFD0), when the file has EXIF
//   "{Exif}"      the EXIF sub-directory reached through tag 0x8769
//   "PixelWidth", "PixelHeight"  from the frame header
// Value kinds: ASCII and UTF-8 texts cut at the first NUL; integer types give
// an integer, or a list when the count is over 1; rationals their quotient
// (none for a zero denominator); floats a real; UNDEFINED a list of byte
// integers; "ISOSpeedRatings" is always a list. A broken entry leaves only its
// own key out.
namespace optara::exif {

// No map unless the bytes are a JPEG container: SOI, well-formed segments and
// a frame header, up to the start of scan.
std::optional<Map> readProperties(std::span<const std::uint8_t> file);

// The same for a file on disk. Reads only the segments before the scan, in a
// bounded buffer; anything but a regular file yields no map without blocking.
std::optional<Map> readFileProperties(const std::filesystem::path& path);

// The "{TIFF}" and "{Exif}" maps of one TIFF block (an APP1 payload after its
// "Exif\0\0" prefix), appended to properties.
void readTiff(std::span<const std::uint8_t> tiff, Map& properties);

}  // namespace optara::exif
