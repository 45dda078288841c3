#include "routing/core/bit_vector.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <vector>

using Routing::BitVector;

namespace {

using Model = std::vector<bool>;

const uint64_t interesting_sizes[] = {0, 1, 63, 64, 65, 511, 512, 513, 1023, 1024, 1025};

Model read_bits(const BitVector& v)
{
    Model bits(v.size());
    for (uint64_t i = 0; i < v.size(); ++i)
        bits[i] = v.is_set(i);
    return bits;
}

// Compares the vector with its model bit by bit and through every query, and
// checks the storage invariants: 64-byte alignment and zero padding.
void expect_matches(const BitVector& v, const Model& model)
{
    ASSERT_EQ(read_bits(v), model);
    ASSERT_TRUE(v.size() == 0 || reinterpret_cast<uintptr_t>(v.data()) % 64 == 0);
    for (uint64_t i = v.size(); i < (v.size() + 511) / 512 * 512; ++i)
        ASSERT_FALSE((v.data()[i / 64] >> (i % 64)) & 1) << "padding bit " << i;
    const auto set_bits = static_cast<uint64_t>(std::count(model.begin(), model.end(), true));
    EXPECT_EQ(v.population_count(), set_bits);
    EXPECT_EQ(v.are_all_set(), set_bits == model.size());
    EXPECT_EQ(v.is_any_set(), set_bits > 0);
}

// Random bits, from sparse to dense.
BitVector random_vector(std::mt19937_64& rng, uint64_t size)
{
    BitVector v(size, false);
    const uint64_t density = rng() % 4;
    for (uint64_t i = 0; i < size; ++i)
        if (rng() % 4 < density)
            v.set(i);
    return v;
}

// Applies one random operation to the vector and to its model.
void apply_random_operation(std::mt19937_64& rng, BitVector& v, Model& model)
{
    const uint64_t n = interesting_sizes[rng() % std::size(interesting_sizes)], i = rng() % 2048;
    const bool value = rng() % 2;
    switch (rng() % 10) {
    case 0:
        if (i < model.size())
            v.set(i), model[i] = true;
        break;
    case 1:
        rng() % 2 ? v.set_all(value) : value ? v.set_all() : v.reset_all();
        model.assign(model.size(), value);
        break;
    case 2:
        v.inplace_not();
        model.flip();
        break;
    case 3: {
        const BitVector other = random_vector(rng, model.size());
        const Model o = read_bits(other);
        const uint64_t op = rng() % 3;
        op == 0 ? v |= other : op == 1 ? v ^= other : v &= other;
        for (uint64_t k = 0; k < model.size(); ++k)
            model[k] = op == 0 ? model[k] || o[k] : op == 1 ? model[k] != o[k] : model[k] && o[k];
        break;
    }
    case 4:
        v.resize(n, value);
        model.resize(n, value);
        break;
    case 5: // gained bits read 0, except for a vector that had no storage
        v.resize(n, BitVector::Uninitialized{});
        model.empty() ? model = read_bits(v) : (model.resize(n, false), model);
        break;
    case 6:
        v.make_large_enough_for(i, value);
        if (i >= model.size())
            model.resize(std::bit_ceil(i + 1), value);
        break;
    case 7: { // copy and move construction and assignment
        BitVector moved(BitVector{v});
        v = BitVector();
        v = moved;
        break;
    }
    case 8: // stray padding bits, as a file may hold them, are cleared again
        if (!model.empty()) {
            const uint64_t last_word = (model.size() + 511) / 512 * 8 - 1;
            v.data()[last_word] = ~uint64_t{0};
            for (uint64_t k = last_word * 64; k < model.size(); ++k)
                model[k] = true;
            v.reset_all_padding_bits();
        }
        break;
    default: // fresh vectors; uninitialized bits are whatever they read
        if (rng() % 2)
            v = BitVector(n, value), model.assign(n, value);
        else
            v = BitVector(n, BitVector::Uninitialized{}), model = read_bits(v);
    }
}

TEST(BitVector, RandomOperationSequencesMatchModel)
{
    std::mt19937_64 rng(12345);
    for (uint64_t start_size : interesting_sizes)
        for (int sequence = 0; sequence < 20; ++sequence) {
            BitVector v = random_vector(rng, start_size);
            Model model = read_bits(v);
            for (int step = 0; step < 60 && !testing::Test::HasFatalFailure(); ++step) {
                apply_random_operation(rng, v, model);
                expect_matches(v, model);
            }
        }
}

TEST(BitVector, OrderingIsBySizeThenByWordsFromTheFirst)
{
    std::mt19937_64 rng(777);
    const auto size = [&rng] { return rng() % 3 ? 130 : interesting_sizes[rng() % std::size(interesting_sizes)]; };
    for (int round = 0; round < 3000; ++round) {
        const BitVector a = random_vector(rng, size());
        const BitVector b = rng() % 4 ? random_vector(rng, size()) : a;
        // The oracle: the first differing bit decides within the first
        // differing word, where the highest differing bit of that word decides.
        const Model x = read_bits(a), y = read_bits(b);
        bool less = x.size() < y.size();
        if (x.size() == y.size() && x != y) {
            const uint64_t first = std::mismatch(x.begin(), x.end(), y.begin()).first - x.begin();
            uint64_t k = std::min<uint64_t>(first / 64 * 64 + 63, x.size() - 1);
            while (x[k] == y[k])
                --k;
            less = y[k];
        }
        EXPECT_EQ(a < b, less);
        EXPECT_EQ(a == b, x == y);
    }
    BitVector shrunk(700, true);
    shrunk.resize(0, false);
    EXPECT_TRUE(BitVector() == shrunk);
}

TEST(BitVector, GrowthBeyondTwoToTheSixtyThirdIsRefusedUnchanged)
{
    // Doubling cannot pass 2^63, so such an id (a negative OSM id read as
    // unsigned, say) must not loop forever.
    BitVector v(100, true);
    EXPECT_THROW(v.make_large_enough_for(uint64_t{1} << 63, false), std::length_error);
    EXPECT_THROW(v.make_large_enough_for(~uint64_t{0}, BitVector::Uninitialized{}), std::length_error);
    expect_matches(v, Model(100, true));
}

} // namespace
