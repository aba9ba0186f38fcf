#pragma once

namespace optara {

// The memory this process holds, as the kernel counts it (/proc/self/status),
// in MB of 2^20 bytes: what a user's system monitor shows, freed memory that
// the heaps keep included.
struct ResidentMemory {
    double residentMb = 0; // VmRSS
    double peakMb = 0;     // VmHWM: the most resident at any time so far

    static ResidentMemory now();
    // Another process's, by its id; zeros when it has gone.
    static ResidentMemory ofProcess(int pid);
};

} // namespace optara
