#include "ExifReader.h"

#include "ChunkReader.h"
#include "Cursor.h"
#include "FileDescriptor.h"
#include "FileWindow.h"
#include "JpegReader.h"
#include "MemorySource.h"
#include "TiffReader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include <fcntl.h>
#include <unistd.h>

namespace optara::exif {

namespace {

using namespace std::string_view_literals;

bool startsWith(std::span<const std::uint8_t> head, std::string_view signature, std::size_t at = 0)
{
    return head.size() >= at + signature.size() &&
           std::memcmp(head.data() + at, signature.data(), signature.size()) == 0;
}

// The DIB header sizes BMP readers know, after the 14-byte file header.
bool isBmp(std::span<const std::uint8_t> head)
{
    if (!startsWith(head, "BM"sv) || head.size() < 18)
        return false;
    const std::uint32_t dibSize = *Cursor(head, Endian::Little).read<std::uint32_t>(14);
    constexpr std::array<std::uint32_t, 7> known = {12, 40, 52, 56, 64, 108, 124};
    return std::find(known.begin(), known.end(), dibSize) != known.end();
}

// An ISO media file whose "ftyp"sv box names a HEIF or AVIF brand, major or
// compatible.
bool isHeif(std::span<const std::uint8_t> head)
{
    if (!startsWith(head, "ftyp"sv, 4))
        return false;
    constexpr std::string_view brands[] = {"heic", "heix", "hevc", "hevx", "heim", "heis",
                                           "hevm", "hevs", "mif1", "msf1", "avif", "avis"};
    const std::size_t boxSize = *Cursor(head, Endian::Big).read<std::uint32_t>(0);
    const std::size_t end = std::min(head.size(), boxSize);
    for (std::size_t at = 8; at + 4 <= end; at += at == 8 ? 8 : 4) {
        for (const std::string_view brand : brands) {
            if (startsWith(head, brand, at))
                return true;
        }
    }
    return false;
}

std::optional<ExifFields> readImage(ByteSource& source)
{
    constexpr std::uint64_t headSize = 64;
    const auto head = source.bytes(0, std::min(source.size(), headSize));
    if (!head)
        return std::nullopt;
    if (startsWith(*head, "\xFF\xD8"sv))
        return readJpeg(source);
    if (startsWith(*head, "II*\0"sv) || startsWith(*head, "MM\0*"sv))
        return readTiff(source, 0, source.size());
    if (startsWith(*head, "\x89PNG\r\n\x1A\n"sv))
        return readChunks(source, ChunkFormat::Png);
    if (startsWith(*head, "RIFF"sv) && startsWith(*head, "WEBP"sv, 8))
        return readChunks(source, ChunkFormat::WebP);
    if (startsWith(*head, "GIF87a"sv) || startsWith(*head, "GIF89a"sv) || isBmp(*head) || isHeif(*head))
        return ExifFields{};
    return std::nullopt;
}

} // namespace

std::optional<ExifFields> readFields(std::span<const std::uint8_t> file)
{
    MemorySource source(file);
    return readImage(source);
}

std::optional<ExifFields> readFileFields(const std::filesystem::path& path)
{
    // Non-blocking, so that a FIFO or device opens at once and a read of it
    // ends at once: a folder, a FIFO and a device give no bytes or no image.
    const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0)
        return std::nullopt;
    FileWindow source(fd.get());
    return readImage(source);
}

} // namespace optara::exif
