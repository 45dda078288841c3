#include "routing/core/id_mapper.h"

#include "routing/core/bit_select.h"

#include <bit>

namespace Routing {

namespace {

constexpr uint64_t words_per_block = 8;
constexpr uint64_t locals_per_hint = 256;

uint64_t block_count(uint64_t bit_count)
{
    return bit_count / 512 + (bit_count % 512 != 0);
}

} // namespace

LocalIDMapper::LocalIDMapper(uint64_t global_id_count, const uint64_t* bits)
    : bits(bits)
    , global_count(global_id_count)
{
    const uint64_t blocks = block_count(global_id_count);
    rank.resize(blocks + 1);
    uint64_t count = 0;
    for (uint64_t b = 0; b < blocks; ++b) {
        rank[b] = count;
        for (uint64_t w = b * words_per_block; w < (b + 1) * words_per_block; ++w)
            count += std::popcount(bits[w]);
    }
    rank[blocks] = count;
}

uint32_t LocalIDMapper::to_local(uint64_t global, uint32_t default_id) const
{
    if (global >= global_count || !((bits[global / 64] >> (global % 64)) & 1))
        return default_id;
    return to_local(global);
}

uint32_t LocalIDMapper::to_local(uint64_t global) const
{
    const uint64_t word = global / 64;
    uint64_t local = rank[global / 512];
    for (uint64_t w = word / words_per_block * words_per_block; w < word; ++w)
        local += std::popcount(bits[w]);
    local += std::popcount(bits[word] & ((uint64_t{1} << (global % 64)) - 1));
    return static_cast<uint32_t>(local);
}

IDMapper::IDMapper(uint64_t global_id_count, const uint64_t* bits)
    : LocalIDMapper(global_id_count, bits)
{
    const uint64_t set_bits = local_id_count();
    select_hint.assign(set_bits / locals_per_hint + (set_bits % locals_per_hint != 0), 0);
    uint64_t j = 0;
    for (uint64_t b = 0; j < select_hint.size(); ++b) {
        while (j < select_hint.size() && locals_per_hint * j < rank[b + 1])
            select_hint[j++] = b;
    }
}

uint64_t IDMapper::to_global(uint32_t local) const
{
    const uint64_t b = select_hint[local / locals_per_hint];
    return 512 * b + bit_select(rank.size() - 1 - b, rank.data() + b, bits + b * words_per_block, local);
}

} // namespace Routing
