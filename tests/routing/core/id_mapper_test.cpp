#include "routing/core/bit_select.h"
#include "routing/core/bit_vector.h"
#include "routing/core/constants.h"
#include "routing/core/id_mapper.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

using namespace Routing;

namespace {

// The oracle of every select and rank: a walk over the bits.
TEST(BitSelect, WordAndBlockSelectMatchAWalk)
{
    std::mt19937_64 rng(1);
    for (int round = 0; round < 2000; ++round) {
        // Words from empty and single bits to dense and full.
        uint64_t block[8];
        for (uint64_t& w : block) {
            const uint64_t kind = rng() % 5;
            w = kind == 0 ? 0 : kind == 1 ? ~uint64_t{0} : kind == 2 ? uint64_t{1} << (rng() % 64) : rng() & rng();
        }
        for (uint32_t i = 0, n = 0; i < 512; ++i)
            if ((block[i / 64] >> (i % 64)) & 1) {
                ASSERT_TRUE(i >= 64 || uint64_bit_select(block[0], n) == i) << std::hex << block[0] << " " << n;
                ASSERT_EQ(uint512_bit_select(block, n++), i);
            }
    }
}

TEST(IDMapper, RankAndSelectMatchAWalkOverPatterns)
{
    std::mt19937_64 rng(5);
    std::bernoulli_distribution sparse(0.002), dense(0.7);
    const struct {
        std::string name;
        uint64_t size;
        std::function<bool(uint64_t)> is_set;
    } patterns[] = {
        {"no ids", 0, [](uint64_t) { return true; }},
        {"one id", 1, [](uint64_t) { return true; }},
        {"all clear", 5000, [](uint64_t) { return false; }},
        {"all set", 100000, [](uint64_t) { return true; }},
        {"block boundaries", 4096, [](uint64_t i) { return i % 512 == 0 || i % 512 == 511 || i % 64 == 63; }},
        {"every 1000th over 10^7", 10000000, [](uint64_t i) { return i % 1000 == 0; }},
        {"runs of 300", 200000, [](uint64_t i) { return (i / 300) % 7 == 0; }},
        {"random sparse", 300000, [&](uint64_t) { return sparse(rng); }},
        {"random dense", 300000, [&](uint64_t) { return dense(rng); }},
    };
    for (const auto& pattern : patterns) {
        SCOPED_TRACE(pattern.name);
        BitVector bits(pattern.size, false);
        for (uint64_t i = 0; i < pattern.size; ++i)
            if (pattern.is_set(i))
                bits.set(i);
        const IDMapper mapper(bits.size(), bits.data());
        uint32_t next_local = 0;
        for (uint64_t global = 0; global < bits.size(); ++global) {
            if (bits.is_set(global)) {
                ASSERT_EQ(mapper.to_local(global), next_local) << "global " << global;
                ASSERT_EQ(mapper.to_global(next_local++), global);
            } else {
                ASSERT_EQ(mapper.to_local(global, invalid_id), invalid_id) << "global " << global;
            }
        }
        EXPECT_EQ(mapper.local_id_count(), next_local);
        for (uint64_t beyond : {bits.size(), bits.size() + 1000})
            EXPECT_EQ(mapper.to_local(beyond, 77u), 77u);
    }
}

TEST(IDMapper, BitsBeyondTwoToTheThirtyTwoAreMapped)
{
    // OSM ids pass 2^32, so neither the rank nor the select arithmetic may
    // wrap there. Over a thousand ids lie beyond 2^32, so that select hints
    // point into that region as well.
    const uint64_t two_to_32 = uint64_t{1} << 32, size = two_to_32 + 4096;
    std::vector<uint64_t> set = {5, (uint64_t{1} << 31) + 7, two_to_32 - 1};
    for (uint64_t i = two_to_32; i < two_to_32 + 3000; i += 3)
        set.push_back(i);
    set.push_back(size - 1);
    BitVector bits(size, false);
    for (uint64_t i : set)
        bits.set(i);
    const IDMapper mapper(size, bits.data());
    ASSERT_EQ(mapper.local_id_count(), set.size());
    for (uint32_t local = 0; local < set.size(); ++local) {
        ASSERT_EQ(mapper.to_global(local), set[local]) << "local " << local;
        ASSERT_EQ(mapper.to_local(set[local]), local) << "global " << set[local];
        const bool next_is_set = local + 1 < set.size() && set[local + 1] == set[local] + 1;
        ASSERT_EQ(mapper.to_local(set[local] + 1, invalid_id), next_is_set ? local + 1 : invalid_id);
    }
}

} // namespace
