#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace optara {

// A random (version 4) UUID. Safe to draw from any thread.
class Uuid {
  public:
    static Uuid random();

    std::size_t hash() const;

    friend bool operator==(const Uuid&, const Uuid&) = default;

  private:
    explicit Uuid(const std::array<std::uint8_t, 16>& bytes) : bytes_(bytes) {}

    std::array<std::uint8_t, 16> bytes_;
};

} // namespace optara

template <> struct std::hash<optara::Uuid> {
    std::size_t operator()(const optara::Uuid& uuid) const noexcept { return uuid.hash(); }
};
