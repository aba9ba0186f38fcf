// Any bytes as a file on disk through the reader: exactly the fields the
// in-memory path gives, and a record exactly when there are fields.

#include "ExifReader.h"
#include "MetadataReader.h"

#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace {
int photoFd = -1;
std::string photoPath; // the unlinked scratch file, opened again through /proc
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    std::string pattern = (std::filesystem::temp_directory_path() / "optara-fuzz-XXXXXX").string();
    photoFd = ::mkstemp(pattern.data());
    if (photoFd < 0 || ::unlink(pattern.c_str()) != 0)
        std::abort();
    photoPath = "/proc/self/fd/" + std::to_string(photoFd);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (::ftruncate(photoFd, 0) != 0 || ::pwrite(photoFd, data, size, 0) != static_cast<ssize_t>(size))
        std::abort();
    const auto fields = optara::exif::readFields({data, size});
    const auto record = optara::MetadataReader::shared().readMetadata(photoPath);
    if (optara::exif::readFileFields(photoPath) != fields || record.has_value() != fields.has_value() ||
        (record && record->url() != photoPath))
        std::abort();
    if (record) // the labels' trimming and prefix rules on whatever texts came out
        static_cast<void>(record->cameraName() + record->lensName());
    return 0;
}
