#include "AllocatedBytes.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::uint64_t> allocated{0};

} // namespace

void* operator new(std::size_t size)
{
    allocated += size;
    if (void* block = std::malloc(size ? size : 1))
        return block;
    throw std::bad_alloc();
}

void operator delete(void* block) noexcept
{
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept
{
    std::free(block);
}

std::uint64_t optara::testing::allocatedBytes()
{
    return allocated;
}
