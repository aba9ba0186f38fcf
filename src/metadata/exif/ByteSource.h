#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace optara::exif {

// Random access to the bytes of one file, in memory or on disk.
class ByteSource {
  public:
    virtual ~ByteSource() = default;

    virtual std::uint64_t size() const = 0;

    // Exactly size bytes from offset, or none when they are not all there.
    // The span is valid until the next call.
    virtual std::optional<std::span<const std::uint8_t>> bytes(std::uint64_t offset, std::uint64_t size) = 0;
};

} // namespace optara::exif
