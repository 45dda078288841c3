#include "routing/core/aligned_alloc.h"

#include <cstdlib>
#include <new>

namespace Routing {

namespace {

void* align_allocation(void* allocation, uint8_t alignment)
{
    auto* start = static_cast<unsigned char*>(allocation);
    if (start == nullptr)
        throw std::bad_alloc();
    const auto distance = static_cast<uint8_t>(alignment - reinterpret_cast<uintptr_t>(start) % alignment);
    unsigned char* aligned = start + distance;
    aligned[-1] = distance;
    return aligned;
}

} // namespace

void* aligned_alloc(uint8_t alignment, std::size_t bytes)
{
    if (bytes > SIZE_MAX - alignment)
        throw std::bad_alloc();
    return align_allocation(std::malloc(bytes + alignment), alignment);
}

void* aligned_alloc_zeroed(uint8_t alignment, std::size_t bytes)
{
    if (bytes > SIZE_MAX - alignment)
        throw std::bad_alloc();
    return align_allocation(std::calloc(1, bytes + alignment), alignment);
}

void aligned_free(void* p) noexcept
{
    if (p == nullptr)
        return;
    auto* aligned = static_cast<unsigned char*>(p);
    std::free(aligned - aligned[-1]);
}

} // namespace Routing
