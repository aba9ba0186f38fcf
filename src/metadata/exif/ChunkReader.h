#pragma once

#include "ByteSource.h"
#include "ExifFields.h"

namespace optara::exif {

enum class ChunkFormat {
    Png,  // signature, then chunks of length (big-endian), type, body, CRC
    WebP, // RIFF header, then chunks of type, length (little-endian), body, pad byte
};

// The fields of the first EXIF chunk ("eXIf" in PNG, "EXIF" in WebP) that
// holds a TIFF structure, or no fields: the container is a photo either way.
ExifFields readChunks(ByteSource& source, ChunkFormat format);

} // namespace optara::exif
