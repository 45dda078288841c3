#include "routing/core/bit_vector.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <vector>

using Routing::BitVector;

namespace {

using Model = std::vector<bool>;

const std::vector<uint64_t> interesting_sizes = {0, 1, 63, 64, 65, 511, 512, 513, 1023, 1024, 1025};

uint64_t storage_words(uint64_t size)
{
    return (size + 511) / 512 * 8;
}

// Compares the vector with its model, bit by bit and through every query, and
// checks the storage invariants: 64-byte alignment and zero padding.
void expect_matches(const BitVector& v, const Model& model)
{
    ASSERT_EQ(v.size(), model.size());
    if (v.size() > 0) {
        ASSERT_NE(v.data(), nullptr);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(v.data()) % 64, 0u);
    }
    for (uint64_t i = 0; i < model.size(); ++i)
        ASSERT_EQ(v.is_set(i), model[i]) << "bit " << i;
    for (uint64_t i = v.size(); i < storage_words(v.size()) * 64; ++i)
        ASSERT_FALSE((v.data()[i / 64] >> (i % 64)) & 1) << "padding bit " << i;
    const auto set_bits = static_cast<uint64_t>(std::count(model.begin(), model.end(), true));
    EXPECT_EQ(v.population_count(), set_bits);
    EXPECT_EQ(v.are_all_set(), set_bits == model.size());
    EXPECT_EQ(v.is_any_set(), set_bits > 0);
}

Model read_bits(const BitVector& v)
{
    Model bits(v.size());
    for (uint64_t i = 0; i < v.size(); ++i)
        bits[i] = v.is_set(i);
    return bits;
}

struct RandomVectors {
    std::mt19937_64 rng;

    bool coin() { return rng() & 1; }
    uint64_t below(uint64_t n) { return std::uniform_int_distribution<uint64_t>(0, n - 1)(rng); }
    uint64_t any_size() { return interesting_sizes[below(interesting_sizes.size())]; }

    // A vector and its model with random bits, dense or sparse.
    std::pair<BitVector, Model> make(uint64_t size)
    {
        BitVector v(size, false);
        Model model(size, false);
        const uint64_t density = below(4);
        for (uint64_t i = 0; i < size; ++i) {
            if (below(4) < density) {
                v.set(i);
                model[i] = true;
            }
        }
        return {std::move(v), std::move(model)};
    }
};

// Applies one random operation to the vector and to its model.
void apply_random_operation(RandomVectors& random, BitVector& v, Model& model)
{
    switch (random.below(13)) {
    case 0:
        if (!model.empty()) {
            const uint64_t i = random.below(model.size());
            v.set(i);
            model[i] = true;
        }
        break;
    case 1: {
        const bool value = random.coin();
        if (random.coin())
            value ? v.set_all() : v.reset_all();
        else
            v.set_all(value);
        model.assign(model.size(), value);
        break;
    }
    case 2:
        v.inplace_not();
        model.flip();
        break;
    case 3: {
        auto [other, other_model] = random.make(model.size());
        switch (random.below(3)) {
        case 0:
            v |= other;
            for (uint64_t i = 0; i < model.size(); ++i)
                model[i] = model[i] || other_model[i];
            break;
        case 1:
            v ^= other;
            for (uint64_t i = 0; i < model.size(); ++i)
                model[i] = model[i] != other_model[i];
            break;
        default:
            v &= other;
            for (uint64_t i = 0; i < model.size(); ++i)
                model[i] = model[i] && other_model[i];
        }
        break;
    }
    case 4: {
        const uint64_t n = random.any_size();
        const bool value = random.coin();
        v.resize(n, value);
        model.resize(n, value);
        break;
    }
    case 5: {
        // Gained bits read 0, except for a vector that had no storage.
        const uint64_t n = random.any_size();
        const bool had_bits = !model.empty();
        v.resize(n, BitVector::Uninitialized{});
        model.resize(n, false);
        if (!had_bits)
            model = read_bits(v);
        break;
    }
    case 6: {
        const uint64_t i = random.below(2048);
        const bool value = random.coin();
        const uint64_t old_size = model.size();
        v.make_large_enough_for(i, value);
        if (i >= old_size) {
            uint64_t expected = 1;
            while (expected <= i)
                expected *= 2;
            model.resize(expected, value);
        }
        break;
    }
    case 7: {
        const uint64_t i = random.below(2048);
        const uint64_t old_size = model.size();
        v.make_large_enough_for(i, BitVector::Uninitialized{});
        EXPECT_GT(v.size(), i);
        if (i < old_size) {
            EXPECT_EQ(v.size(), old_size);
        }
        model.resize(v.size(), false);
        for (uint64_t j = old_size; j < v.size(); ++j)
            model[j] = v.is_set(j);
        break;
    }
    case 8: {
        BitVector copy(v);
        expect_matches(copy, model);
        copy.inplace_not();
        v = copy;
        model.flip();
        break;
    }
    case 9: {
        BitVector moved(std::move(v));
        EXPECT_EQ(v.size(), 0u);
        EXPECT_EQ(v.data(), nullptr);
        v = std::move(moved);
        break;
    }
    case 10: {
        auto [other, other_model] = random.make(random.any_size());
        v.swap(other);
        std::swap(model, other_model);
        expect_matches(other, other_model);
        break;
    }
    case 11:
        // Stray padding bits, as a file may hold them, are cleared again.
        if (!model.empty()) {
            const uint64_t words = storage_words(model.size());
            v.data()[words - 1] = ~uint64_t{0};
            for (uint64_t i = (words - 1) * 64; i < model.size(); ++i)
                model[i] = true;
            v.reset_all_padding_bits();
        }
        break;
    default: {
        const uint64_t n = random.any_size();
        if (random.coin()) {
            const bool value = random.coin();
            v = BitVector(n, value);
            model.assign(n, value);
        } else {
            v = BitVector(n, BitVector::Uninitialized{});
            model = read_bits(v);
        }
    }
    }
}

TEST(BitVector, RandomOperationSequencesMatchModel)
{
    RandomVectors random{std::mt19937_64(12345)};
    for (uint64_t start_size : interesting_sizes) {
        for (int sequence = 0; sequence < 20; ++sequence) {
            auto [v, model] = random.make(start_size);
            for (int step = 0; step < 60; ++step) {
                apply_random_operation(random, v, model);
                expect_matches(v, model);
                if (testing::Test::HasFatalFailure())
                    return;
            }
        }
    }
}

// The oracle compares sizes first, then the 64-bit words from word 0 upward.
bool model_less(const Model& a, const Model& b)
{
    if (a.size() != b.size())
        return a.size() < b.size();
    for (uint64_t w = 0; w * 64 < a.size(); ++w) {
        uint64_t x = 0, y = 0;
        for (uint64_t i = w * 64; i < std::min<uint64_t>(a.size(), w * 64 + 64); ++i) {
            x |= uint64_t{a[i]} << (i % 64);
            y |= uint64_t{b[i]} << (i % 64);
        }
        if (x != y)
            return x < y;
    }
    return false;
}

TEST(BitVector, OrderingAndEqualityFollowSizeThenWords)
{
    RandomVectors random{std::mt19937_64(777)};
    for (int round = 0; round < 3000; ++round) {
        auto [a, a_model] = random.make(random.below(3) == 0 ? random.any_size() : 130);
        auto [b, b_model] = random.make(random.below(3) == 0 ? random.any_size() : 130);
        if (random.below(4) == 0) {
            b = a;
            b_model = a_model;
        }
        EXPECT_EQ(a < b, model_less(a_model, b_model));
        EXPECT_EQ(a == b, a_model == b_model);
    }
    // Empty vectors are equal however they came to be empty.
    BitVector shrunk(700, true);
    shrunk.resize(0, false);
    EXPECT_TRUE(BitVector() == shrunk);
    EXPECT_TRUE(BitVector(0, true) == BitVector(BitVector()));
    EXPECT_FALSE(BitVector() < shrunk);
}

TEST(BitVector, GrowthDoublesToThePowerOfTwoAboveTheIndex)
{
    const struct {
        uint64_t size, index, expected;
    } cases[] = {{0, 0, 1}, {3, 5, 8}, {3, 2, 3}, {8, 8, 16}, {0, 1000, 1024}, {1024, 1024, 2048}};
    for (const auto& c : cases) {
        BitVector v(c.size, true);
        v.make_large_enough_for(c.index, false);
        EXPECT_EQ(v.size(), c.expected) << c.size << " for " << c.index;
        EXPECT_EQ(v.population_count(), c.size);
    }
}

TEST(BitVector, GrowthBeyondTwoToTheSixtyThirdIsRefusedUnchanged)
{
    // Doubling from 1 cannot pass 2^63, so such an id (a negative OSM id read
    // as unsigned, say) must not loop forever.
    BitVector v(100, true);
    EXPECT_THROW(v.make_large_enough_for(uint64_t{1} << 63, false), std::length_error);
    EXPECT_THROW(v.make_large_enough_for(~uint64_t{0}, BitVector::Uninitialized{}), std::length_error);
    EXPECT_EQ(v.size(), 100u);
    EXPECT_EQ(v.population_count(), 100u);
}

} // namespace
