#include "ReadFloor.h"

#include "GatherFiles.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

namespace optara {

namespace {

double msSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

ReadFloor ReadFloor::measure(QThreadPool& pool, const std::filesystem::path& root)
{
    ReadFloor floor;
    const auto start = std::chrono::steady_clock::now();
    const std::vector<std::string> candidates = gatherFiles({root});
    floor.walkMs = msSince(start);
    const std::size_t threads = static_cast<std::size_t>(std::max(1, pool.maxThreadCount()));
    const std::size_t chunk = std::clamp<std::size_t>(candidates.size() / (threads * 8), 1, 256);
    for (std::size_t begin = 0; begin < candidates.size(); begin += chunk) {
        const std::size_t end = std::min(candidates.size(), begin + chunk);
        pool.start([&candidates, begin, end] {
            std::vector<char> buffer(64 * 1024);
            for (std::size_t i = begin; i < end; ++i) {
                const int fd = ::open(candidates[i].c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
                if (fd < 0)
                    continue;
                [[maybe_unused]] const ssize_t got = ::read(fd, buffer.data(), buffer.size());
                ::close(fd);
            }
        });
    }
    pool.waitForDone();
    floor.files = candidates.size();
    floor.totalMs = msSince(start);
    return floor;
}

} // namespace optara
