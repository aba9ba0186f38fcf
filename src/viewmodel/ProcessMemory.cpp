#include "ProcessMemory.h"

#include <malloc.h>

#include <algorithm>
#include <thread>

namespace optara {

void limitThreadHeaps()
{
    const int cores = static_cast<int>(std::max(1U, std::thread::hardware_concurrency()));
    // A heap per core and the GUI thread's own, where glibc makes up to eight
    // per core: freed memory is kept by the heap it came from.
    ::mallopt(M_ARENA_MAX, cores + 1);
    // Fixed, so that freeing a large block does not raise the size below
    // which a heap keeps its freed top for reuse.
    ::mallopt(M_MMAP_THRESHOLD, 256 * 1024);
}

void returnFreedMemory()
{
    ::malloc_trim(0);
}

} // namespace optara
