// Any bytes as a file on disk through the reader. The file path must give
// exactly what the in-memory path gives for the same bytes, and a record
// exactly when there are fields.

#include "ExifReader.h"
#include "MetadataReader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace {

std::string photoPath;
int photoFd = -1;

void removePhoto()
{
    ::unlink(photoPath.c_str());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    std::string pattern = (std::filesystem::temp_directory_path() / "optara-fuzz-XXXXXX.jpg").string();
    photoFd = ::mkstemps(pattern.data(), 4);
    if (photoFd < 0)
        std::abort();
    photoPath = pattern;
    std::atexit(removePhoto);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (::ftruncate(photoFd, 0) != 0 || ::pwrite(photoFd, data, size, 0) != static_cast<ssize_t>(size))
        std::abort();

    const auto fromFile = optara::exif::readFileFields(photoPath);
    if (fromFile != optara::exif::readFields({data, size}))
        std::abort();

    const auto record = optara::MetadataReader::shared().readMetadata(photoPath);
    if (record.has_value() != fromFile.has_value())
        std::abort();
    if (record && record->url() != photoPath)
        std::abort();
    if (record) {
        // The labels' trimming and prefix rules on whatever texts came out.
        const std::string labels = record->cameraName() + record->lensName();
        static_cast<void>(labels);
    }
    return 0;
}
