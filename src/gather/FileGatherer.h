#pragma once

#include <filesystem>
#include <vector>

namespace optara {

// Expands dropped or chosen locations into candidate photo files, each
// location in turn, its folders depth first in listing order. Touches only the
// file system, so it may run on any thread. Lists several folders at once, as
// a network share answers each listing after a round trip, on threads that end
// before it returns; the order is that of listing one folder at a time.
// Never throws.
std::vector<std::filesystem::path> gatherFiles(const std::vector<std::filesystem::path>& locations);

// The name test: the last extension, lower-cased, is "jpg" or "jpeg".
bool isJpeg(const std::filesystem::path& location);

} // namespace optara
