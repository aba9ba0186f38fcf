#pragma once

#include <QThreadPool>

#include <cstddef>
#include <filesystem>

namespace optara {

// What reading a tree costs with nothing of the app's: the walk, then open, a
// read of up to 64 KiB and close of every candidate, in chunks over a pool.
struct ReadFloor {
    std::size_t files = 0;
    double walkMs = 0;
    double totalMs = 0;

    static ReadFloor measure(QThreadPool& pool, const std::filesystem::path& root);
};

} // namespace optara
