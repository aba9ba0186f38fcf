// Any bytes through the JPEG walk and the TIFF decoder.

#include "ExifReader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> bytes(data, size);
    optara::exif::readProperties(bytes);
    // The TIFF decoder alone, so that mutations need not keep a JPEG intact.
    optara::exif::Map properties;
    optara::exif::readTiff(bytes, properties);
    return 0;
}
