#ifndef ROUTING_CORE_ALIGNED_ALLOC_H
#define ROUTING_CORE_ALIGNED_ALLOC_H

#include <cstddef>
#include <cstdint>

namespace Routing {

// Returns `bytes` bytes from the general heap starting on a multiple of
// `alignment`. The byte just before the result holds its distance (1 to
// alignment) from the start of the underlying allocation, which is how
// aligned_free finds it again. Throws std::bad_alloc when out of memory.
void* aligned_alloc(uint8_t alignment, std::size_t bytes);

// The same with every byte zero. Large blocks come zeroed from the system,
// so their pages are neither written nor even mapped until first used.
void* aligned_alloc_zeroed(uint8_t alignment, std::size_t bytes);

// Frees memory from aligned_alloc; does nothing for a null pointer.
void aligned_free(void* p) noexcept;

} // namespace Routing

#endif
