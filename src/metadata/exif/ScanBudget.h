#pragma once

#include <cstdint>

namespace optara::exif {

// What a walk of a container may spend on its markers or chunk headers and on
// stray bytes between them; bodies are skipped by their length and cost
// nothing. Real files spend a few hundred bytes.
inline constexpr std::uint64_t scanBudget = 16384;

} // namespace optara::exif
