#ifndef ROUTING_CORE_BIT_SELECT_H
#define ROUTING_CORE_BIT_SELECT_H

#include <cstdint>

namespace Routing {

// Position (from the least significant bit) of the set bit of `word` that has
// exactly n set bits below it; n must be below the word's population count.
uint32_t uint64_bit_select(uint64_t word, uint32_t n);

// The same within the 512 bits of block[0] to block[7], word 0 first.
uint32_t uint512_bit_select(const uint64_t* block, uint32_t n);

// Position, relative to `bits`, of the bit with exactly n set bits before it
// in the whole vector. `bits` points to the first word of a range of
// block_count 512-bit blocks and `rank` to the range's block_count + 1 rank
// entries (set bits before each block, counted from the vector's start);
// requires rank[0] <= n < rank[block_count].
uint64_t bit_select(uint64_t block_count, const uint64_t* rank, const uint64_t* bits, uint64_t n);

} // namespace Routing

#endif
