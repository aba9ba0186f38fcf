#pragma once

#include "ExifFields.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

// Finds a photo's EXIF and decodes the eight fields its record is made of.
// Work and memory are bounded by the bytes read, whatever sizes and counts
// the file claims.
namespace optara::exif {

// No fields unless the bytes are an image: a JPEG stream (EXIF from its APP1
// segment), a TIFF file (its own directories), a PNG or WebP file (EXIF from
// its chunk) or a GIF, BMP, HEIF or AVIF file (no EXIF read).
std::optional<ExifFields> readFields(std::span<const std::uint8_t> file);

// The same for a file on disk, reading only what the walk needs through a
// bounded window; anything but a regular file is no image, without blocking.
std::optional<ExifFields> readFileFields(const std::filesystem::path& path);

} // namespace optara::exif
