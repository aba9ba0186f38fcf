#include "ResidentMemory.h"

#include <cstdio>

namespace optara {

ResidentMemory ResidentMemory::now()
{
    ResidentMemory memory;
    std::FILE* status = std::fopen("/proc/self/status", "r");
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

} // namespace optara
