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

class MemorySource final : public ByteSource {
  public:
    explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::uint64_t size() const override { return bytes_.size(); }

    std::optional<std::span<const std::uint8_t>> bytes(std::uint64_t offset, std::uint64_t size) override
    {
        if (offset > bytes_.size() || size > bytes_.size() - offset)
            return std::nullopt;
        return bytes_.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(size));
    }

  private:
    std::span<const std::uint8_t> bytes_;
};

} // namespace optara::exif
