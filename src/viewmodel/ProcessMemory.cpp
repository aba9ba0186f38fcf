#include "ProcessMemory.h"

#include "RunThreads.h"

#include <malloc.h>

namespace optara {

void configureHeaps()
{
    // A heap for every thread, where glibc shares them once threads outnumber
    // eight per core: threads that share a heap queue on its lock. Two readers
    // sharing one took twice the CPU per photo, and a reader stalled in memory
    // reclaim holding one held whoever shared it, the GUI thread included.
    constexpr int heaps = 2 * (RunThreads::mostThreads + 32);
    ::mallopt(M_ARENA_MAX, heaps);
    // Fixed, so that freeing a large block does not raise the size below
    // which a heap keeps its freed top for reuse.
    ::mallopt(M_MMAP_THRESHOLD, 256 * 1024);
}

void returnFreedMemory()
{
    ::malloc_trim(0);
}

} // namespace optara
