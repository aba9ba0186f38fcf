#pragma once

#include <atomic>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace optara {

// Runs a task on another thread; false when no thread is to be had.
using TaskStarter = std::function<bool(std::function<void()>)>;

// What a walk shares with other threads while it goes.
struct GatherProgress {
    // The JPEG names listed so far.
    std::atomic<std::size_t> filesFound = 0;
    // Set from any thread, it ends the walk within a folder's listing.
    std::atomic<bool> stopped = false;
};

// Expands dropped or chosen locations into candidate photo files, each
// location in turn, its folders depth first in listing order. Touches only the
// file system, so it may run on any thread. It lists several folders at once
// on tasks it starts through startListing, all ended before it returns, as a
// disk or a network share serves many listings at once as fast as one; the
// order is that of listing one folder at a time. Each file is its path's
// bytes: a path object would also hold each of its parts, several times the
// bytes of the path, for every one of a library's files. Never throws.
std::vector<std::string> gatherFiles(const std::vector<std::filesystem::path>& locations,
                                     const TaskStarter& startListing = {},
                                     GatherProgress* progress = nullptr);

// The name test: the last extension, lower-cased, is "jpg" or "jpeg".
bool isJpeg(const std::filesystem::path& location);

} // namespace optara
