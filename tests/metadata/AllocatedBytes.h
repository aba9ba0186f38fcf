#pragma once

#include <cstdint>

namespace optara::testing {

// Bytes asked of operator new by this test binary so far, on every thread, so
// that a test can measure what a call allocates.
std::uint64_t allocatedBytes();

} // namespace optara::testing
