#include "routing/core/aligned_alloc.h"

#include <cstdlib>
#include <new>

namespace Routing {

void* aligned_alloc(uint8_t alignment, std::size_t bytes)
{
    if (bytes > SIZE_MAX - alignment)
        throw std::bad_alloc();
    auto* start = static_cast<unsigned char*>(std::malloc(bytes + alignment));
    if (start == nullptr)
        throw std::bad_alloc();
    const auto distance = static_cast<uint8_t>(alignment - reinterpret_cast<uintptr_t>(start) % alignment);
    unsigned char* aligned = start + distance;
    aligned[-1] = distance;
    return aligned;
}

void aligned_free(void* p) noexcept
{
    if (p == nullptr)
        return;
    auto* aligned = static_cast<unsigned char*>(p);
    std::free(aligned - aligned[-1]);
}

} // namespace Routing
