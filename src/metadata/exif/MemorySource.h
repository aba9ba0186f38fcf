#pragma once

#include "ByteSource.h"
#include "Cursor.h"

namespace optara::exif {

// The bytes of a file already in memory.
class MemorySource final : public ByteSource {
  public:
    explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes, Endian::Big) {}

    std::uint64_t size() const override { return bytes_.size(); }

    std::optional<std::span<const std::uint8_t>> bytes(std::uint64_t offset, std::uint64_t size) override
    {
        return bytes_.bytes(offset, size);
    }

  private:
    Cursor bytes_;
};

} // namespace optara::exif
