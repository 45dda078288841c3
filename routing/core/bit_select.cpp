#include "routing/core/bit_select.h"

#include <algorithm>
#include <bit>

namespace Routing {

uint32_t uint64_bit_select(uint64_t word, uint32_t n)
{
    // Narrow to the half, quarter and eighth holding the bit, then clear the
    // at most seven set bits below it within its byte.
    uint32_t base = 0;
    for (uint32_t width : {32u, 16u, 8u}) {
        const auto below = static_cast<uint32_t>(std::popcount(word & ((uint64_t{1} << width) - 1)));
        if (n >= below) {
            n -= below;
            word >>= width;
            base += width;
        }
    }
    for (; n > 0; --n)
        word &= word - 1;
    return base + static_cast<uint32_t>(std::countr_zero(word));
}

uint32_t uint512_bit_select(const uint64_t* block, uint32_t n)
{
    uint32_t w = 0;
    for (;; ++w) {
        const auto count = static_cast<uint32_t>(std::popcount(block[w]));
        if (n < count)
            break;
        n -= count;
    }
    return 64 * w + uint64_bit_select(block[w], n);
}

uint64_t bit_select(uint64_t block_count, const uint64_t* rank, const uint64_t* bits, uint64_t n)
{
    // Gallop from the first block of the range: double the stride while the
    // wanted bit lies beyond it, then advance by the last stride known to fall
    // short of the wanted block.
    uint64_t block_offset = 0;
    while (n >= rank[1]) {
        uint64_t i = 1;
        uint64_t step;
        for (;;) {
            if (n < rank[i]) {
                step = std::max<uint64_t>(i / 2, 1);
                break;
            }
            if (2 * i >= block_count) {
                step = i;
                break;
            }
            i *= 2;
        }
        rank += step;
        bits += step * 8;
        block_count -= step;
        block_offset += step;
    }
    return 512 * block_offset + uint512_bit_select(bits, static_cast<uint32_t>(n - rank[0]));
}

} // namespace Routing
