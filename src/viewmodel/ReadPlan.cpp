#include "ReadPlan.h"

#include "RunThreads.h"

#include <sys/vfs.h>

#include <algorithm>
#include <array>
#include <thread>

namespace optara {

namespace {

bool servedFromAfar(const std::filesystem::path& location)
{
    // FUSE, NFS, SMB (both magics of CIFS and SMB 2), Ceph, 9P, AFS.
    constexpr std::array<unsigned long, 8> remote{0x65735546, 0x6969,     0x517B,     0xFF534D42,
                                                  0xFE534D42, 0x00C36400, 0x01021997, 0x5346414F};
    struct statfs system {};
    if (::statfs(location.c_str(), &system) != 0)
        return false;
    return std::find(remote.begin(), remote.end(), static_cast<unsigned long>(system.f_type)) != remote.end();
}

} // namespace

ReadPlan ReadPlan::forLocations(const std::vector<std::filesystem::path>& locations)
{
    if (std::any_of(locations.begin(), locations.end(), servedFromAfar))
        return {.readers = RunThreads::mostThreads, .chunkFiles = 8, .readAhead = false};
    const int cores = static_cast<int>(std::max(1U, std::thread::hardware_concurrency()));
    return {.readers = cores, .chunkFiles = 256, .readAhead = true};
}

} // namespace optara
