#pragma once

#include <filesystem>
#include <vector>

namespace optara {

// Expands dropped or chosen locations into candidate photo files. Touches
// only the file system, so it may run on any thread. Never throws.
std::vector<std::filesystem::path> gatherFiles(const std::vector<std::filesystem::path>& locations);

// The name test: the last extension, lower-cased, is "jpg" or "jpeg".
bool isJpeg(const std::filesystem::path& location);

} // namespace optara
