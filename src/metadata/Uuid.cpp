#include "Uuid.h"

#include <random>

namespace optara {

namespace {

// One generator per thread, seeded from the system's entropy source, so
// drawing ids needs no lock and no two threads share state.
std::mt19937_64& generator()
{
    thread_local std::mt19937_64 engine = [] {
        std::random_device device;
        std::seed_seq seed{device(), device(), device(), device(), device(), device(), device(), device()};
        return std::mt19937_64(seed);
    }();
    return engine;
}

} // namespace

Uuid Uuid::random()
{
    std::array<std::uint8_t, 16> bytes;
    auto& engine = generator();
    for (std::size_t half = 0; half < 2; ++half) {
        std::uint64_t word = engine();
        for (std::size_t i = 0; i < 8; ++i)
            bytes[half * 8 + i] = static_cast<std::uint8_t>(word >> (8 * i));
    }
    bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x40); // version 4
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80); // RFC 4122 variant
    return Uuid(bytes);
}

std::size_t Uuid::hash() const
{
    // The bytes are uniformly random already; folding them loses nothing.
    std::uint64_t low = 0;
    std::uint64_t high = 0;
    for (std::size_t i = 0; i < 8; ++i) {
        low |= std::uint64_t{bytes_[i]} << (8 * i);
        high |= std::uint64_t{bytes_[8 + i]} << (8 * i);
    }
    return static_cast<std::size_t>(low ^ (high * 0x9E3779B97F4A7C15ull));
}

} // namespace optara
