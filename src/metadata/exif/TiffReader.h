#pragma once

#include "ByteSource.h"
#include "ExifFields.h"

#include <cstdint>
#include <optional>

namespace optara::exif {

// The fields of the TIFF structure that starts at base and spans size bytes of
// source; its offsets count from base and never reach beyond it. None unless
// it starts with a TIFF header whose first directory lies inside it. Reads
// IFD0 and the Exif IFD it points to, decoding only the entries of fields.
std::optional<ExifFields> readTiff(ByteSource& source, std::uint64_t base, std::uint64_t size);

// "Exif\0\0", which precedes the TIFF structure in a JPEG APP1 segment and,
// from some writers, in PNG and WebP EXIF chunks.
inline constexpr std::uint64_t exifPrefixSize = 6;
bool startsWithExifPrefix(ByteSource& source, std::uint64_t at, std::uint64_t size);

} // namespace optara::exif
