#pragma once

#include "ByteSource.h"
#include "ExifFields.h"

#include <optional>

namespace optara::exif {

// The fields of a JPEG stream (source starts with SOI). Walks the marker
// segments as decoders do: stray bytes before a marker are skipped, and the
// walk ends at the start of scan, at the end of the file or at damage it
// cannot step over. The first "Exif" APP1 segment with a valid TIFF header
// gives the fields, whatever follows it; without one, a frame header makes the
// stream a photo without fields. Anything else is no photo.
std::optional<ExifFields> readJpeg(ByteSource& source);

} // namespace optara::exif
