#pragma once

#include "ImageMetadata.h"

#include <filesystem>
#include <optional>

namespace optara {

// Turns one photo file into a record. Stateless: any number of threads may
// call readMetadata at once.
class MetadataReader {
  public:
    static const MetadataReader& shared();

    MetadataReader(const MetadataReader&) = delete;
    MetadataReader& operator=(const MetadataReader&) = delete;

    // No record when the file cannot be opened or its bytes are no image that
    // common decoders open (JPEG, TIFF, PNG, WebP, GIF, BMP, HEIF, AVIF),
    // whatever its name.
    std::optional<ImageMetadata> readMetadata(const std::filesystem::path& url) const;

  private:
    MetadataReader() = default;
};

} // namespace optara
