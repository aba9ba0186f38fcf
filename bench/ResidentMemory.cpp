#include "ResidentMemory.h"

#include <cstdio>
#include <string>

namespace optara {

namespace {

ResidentMemory readStatus(const char* path)
{
    ResidentMemory memory;
    std::FILE* status = std::fopen(path, "r");
    if (!status)
        return memory;
    char line[256];
    while (std::fgets(line, sizeof line, status)) {
        long kilobytes = 0;
        if (std::sscanf(line, "VmRSS: %ld kB", &kilobytes) == 1)
            memory.residentMb = static_cast<double>(kilobytes) / 1024.0;
        else if (std::sscanf(line, "VmHWM: %ld kB", &kilobytes) == 1)
            memory.peakMb = static_cast<double>(kilobytes) / 1024.0;
    }
    std::fclose(status);
    return memory;
}

} // namespace

ResidentMemory ResidentMemory::now()
{
    return readStatus("/proc/self/status");
}

ResidentMemory ResidentMemory::ofProcess(int pid)
{
    return readStatus(("/proc/" + std::to_string(pid) + "/status").c_str());
}

} // namespace optara
