// Any bytes through the container walks and the TIFF decoder.

#include "ExifReader.h"
#include "TiffReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    optara::exif::readFields({data, size});
    // The TIFF decoder alone, so that mutations need not keep a container intact.
    optara::exif::MemorySource source({data, size});
    optara::exif::readTiff(source, 0, size);
    return 0;
}
