// Rank and select throughput of the ID mappers over a sparse bit set, sized
// like the OSM node ids of a planet file.
// Usage: id_mapper_bench [bits] [one set bit in how many]
#include "routing/core/bit_vector.h"
#include "routing/core/id_mapper.h"
#include "routing/core/timer.h"

#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

using Routing::get_micro_time;

int main(int argc, char** argv)
{
    const uint64_t bit_count = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 10000000000ull;
    const uint64_t spacing = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1000;

    std::mt19937_64 rng(1);
    Routing::BitVector bits(bit_count, false);
    for (uint64_t i = rng() % spacing; i < bit_count; i += 1 + rng() % (2 * spacing - 1))
        bits.set(i);

    int64_t start = get_micro_time();
    const Routing::IDMapper mapper(bit_count, bits.data());
    std::printf("bits %llu, set %llu: mapper built in %.3f s\n", static_cast<unsigned long long>(bit_count),
                static_cast<unsigned long long>(mapper.local_id_count()), (get_micro_time() - start) / 1e6);

    const std::size_t operations = 20000000;
    std::vector<uint32_t> locals(operations);
    for (uint32_t& local : locals)
        local = static_cast<uint32_t>(rng() % mapper.local_id_count());

    uint64_t checksum = 0;
    start = get_micro_time();
    std::vector<uint64_t> globals(operations);
    for (std::size_t i = 0; i < operations; ++i)
        globals[i] = mapper.to_global(locals[i]);
    double seconds = (get_micro_time() - start) / 1e6;
    std::printf("to_global: %.1f M/s (%.1f ns each)\n", operations / seconds / 1e6, seconds * 1e9 / operations);

    start = get_micro_time();
    for (std::size_t i = 0; i < operations; ++i)
        checksum += mapper.to_local(globals[i]);
    seconds = (get_micro_time() - start) / 1e6;
    std::printf("to_local of set ids: %.1f M/s (%.1f ns each)\n", operations / seconds / 1e6,
                seconds * 1e9 / operations);

    start = get_micro_time();
    for (std::size_t i = 0; i < operations; ++i)
        checksum += mapper.to_local(rng() % (bit_count + 1000), 0);
    seconds = (get_micro_time() - start) / 1e6;
    std::printf("to_local with default of random ids: %.1f M/s (%.1f ns each)\n", operations / seconds / 1e6,
                seconds * 1e9 / operations);
    std::printf("checksum %llu\n", static_cast<unsigned long long>(checksum));
}
