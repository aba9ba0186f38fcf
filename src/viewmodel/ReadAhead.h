#pragma once

#include <filesystem>
#include <span>

namespace optara {

// Asks the kernel for the heads of these files at once, without waiting for
// them, so that the disk serves them together while they are read one by
// one. Skipped when the last of them is in memory already.
void readAhead(std::span<const std::filesystem::path> files);

} // namespace optara
