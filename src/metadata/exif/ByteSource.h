#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
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
    // The span is valid until the next call, so a caller that reads on while
    // it still needs a header's bytes takes them with copy.
    virtual std::optional<std::span<const std::uint8_t>> bytes(std::uint64_t offset, std::uint64_t size) = 0;

    // N bytes from offset as a value, valid whatever is read next.
    template <std::size_t N> std::optional<std::array<std::uint8_t, N>> copy(std::uint64_t offset)
    {
        const auto span = bytes(offset, N);
        if (!span)
            return std::nullopt;
        std::array<std::uint8_t, N> copied;
        std::copy_n(span->begin(), N, copied.begin());
        return copied;
    }
};

} // namespace optara::exif
