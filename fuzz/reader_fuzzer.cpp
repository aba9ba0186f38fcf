// Any bytes through the container walks and the TIFF decoder; as reader_file_fuzzer, also as a file
// through the reader: exactly the in-memory fields, and a record exactly when there are fields.

#include "ExifReader.h"
#include "MemorySource.h"
#include "MetadataReader.h"
#include "TiffReader.h"

#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto fields = optara::exif::readFields({data, size});
    optara::exif::MemorySource source({data, size}); // the TIFF decoder alone, whatever the container
    optara::exif::readTiff(source, 0, size);
#ifdef OPTARA_FUZZ_FILE
    // One scratch file, unlinked at once and opened again through /proc.
    static const int fd = [] {
        std::string name = (std::filesystem::temp_directory_path() / "optara-fuzz-XXXXXX").string();
        const int opened = ::mkstemp(name.data());
        return opened >= 0 && ::unlink(name.c_str()) == 0 ? opened : (std::abort(), -1);
    }();
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size))
        std::abort();
    const auto record = optara::MetadataReader::shared().readMetadata(path);
    if (optara::exif::readFileFields(path) != fields || record.has_value() != fields.has_value() ||
        (record && record->url() != path))
        std::abort();
    if (record) // the labels' trimming and prefix rules on whatever texts came out
        static_cast<void>(record->cameraName() + record->lensName());
#endif
    return 0;
}
