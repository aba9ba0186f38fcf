#pragma once

#include <cstddef>
#include <filesystem>
#include <vector>

namespace optara {

// How a run reads its files, by the kind of file system they are on. A local
// disk serves many reads queued at once: one reader per core takes chunks of
// files whose heads it has asked for ahead. A share answers each open and
// read after a round trip: many readers keep round trips overlapped, taking
// small chunks so that none is left with a long tail.
struct ReadPlan {
    int readers = 1;
    std::size_t chunkFiles = 1;
    bool readAhead = false;

    // A share's plan if any of the locations lies on one.
    static ReadPlan forLocations(const std::vector<std::filesystem::path>& locations);
};

} // namespace optara
