#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <type_traits>

namespace optara::exif {

enum class Endian { Little, Big };

// The only way the EXIF layer touches bytes: every read is bounds-checked in
// 64-bit arithmetic, so no offset or count from a file can wrap around.
class Cursor {
  public:
    Cursor() = default;
    Cursor(std::span<const std::uint8_t> bytes, Endian endian) : bytes_(bytes), endian_(endian) {}

    std::size_t size() const { return bytes_.size(); }
    Endian endian() const { return endian_; }

    bool contains(std::uint64_t offset, std::uint64_t size) const
    {
        return offset <= bytes_.size() && size <= bytes_.size() - offset;
    }

    template <typename T> std::optional<T> read(std::uint64_t offset) const
    {
        static_assert(std::is_unsigned_v<T> && sizeof(T) <= 8);
        if (!contains(offset, sizeof(T)))
            return std::nullopt;
        const std::uint8_t* at = bytes_.data() + offset;
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < sizeof(T); ++i) {
            const std::size_t index = endian_ == Endian::Big ? i : sizeof(T) - 1 - i;
            value = (value << 8) | at[index];
        }
        return static_cast<T>(value);
    }

    std::optional<std::span<const std::uint8_t>> bytes(std::uint64_t offset, std::uint64_t size) const
    {
        if (!contains(offset, size))
            return std::nullopt;
        return bytes_.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(size));
    }

    // The same bytes from offset on, read in another byte order.
    std::optional<Cursor> from(std::uint64_t offset, Endian endian) const
    {
        if (!contains(offset, 0))
            return std::nullopt;
        return Cursor(bytes_.subspan(static_cast<std::size_t>(offset)), endian);
    }

  private:
    std::span<const std::uint8_t> bytes_;
    Endian endian_ = Endian::Big;
};

} // namespace optara::exif
