#include "routing/core/bit_vector.h"

#include "routing/core/aligned_alloc.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace Routing {

namespace {

constexpr uint64_t bits_per_block = 512;
constexpr uint64_t words_per_block = 8;
constexpr uint8_t block_alignment = 64;

uint64_t block_count(uint64_t bit_count)
{
    return bit_count / bits_per_block + (bit_count % bits_per_block != 0);
}

uint64_t* allocate_blocks(uint64_t blocks)
{
    if (blocks == 0)
        return nullptr;
    return static_cast<uint64_t*>(aligned_alloc(block_alignment, blocks * words_per_block * sizeof(uint64_t)));
}

// Zeroed storage costs nothing until touched: the ID scan grows vectors
// indexed by OSM ids into the billions and sets only a few of their bits.
uint64_t* allocate_zeroed_blocks(uint64_t blocks)
{
    if (blocks == 0)
        return nullptr;
    return static_cast<uint64_t*>(aligned_alloc_zeroed(block_alignment, blocks * words_per_block * sizeof(uint64_t)));
}

// Copies into zeroed storage only the pages of words that hold a set bit; the
// others stay untouched, and so unmapped, in the new storage.
void copy_set_words(uint64_t* zeroed, const uint64_t* from, uint64_t word_count)
{
    constexpr uint64_t words_per_page = 512;
    for (uint64_t begin = 0; begin < word_count; begin += words_per_page) {
        const uint64_t end = std::min(word_count, begin + words_per_page);
        if (std::any_of(from + begin, from + end, [](uint64_t word) { return word != 0; }))
            std::memcpy(zeroed + begin, from + begin, (end - begin) * sizeof(uint64_t));
    }
}

// Word k (0 to 7) of the mask that keeps the bits below bit_count in the last
// block; all ones when the last block is full.
uint64_t last_block_mask(uint64_t bit_count, uint64_t k)
{
    const uint64_t used = bit_count % bits_per_block;
    if (used == 0 || k < used / 64)
        return ~uint64_t{0};
    if (k == used / 64)
        return (uint64_t{1} << (used % 64)) - 1;
    return 0;
}

void apply_padding_mask(uint64_t* words, uint64_t bit_count)
{
    if (bit_count % bits_per_block == 0)
        return;
    uint64_t* last_block = words + bit_count / bits_per_block * words_per_block;
    for (uint64_t k = 0; k < words_per_block; ++k)
        last_block[k] &= last_block_mask(bit_count, k);
}

} // namespace

BitVector::BitVector(uint64_t bit_count, Uninitialized)
    : words(allocate_blocks(block_count(bit_count)))
    , bit_count(bit_count)
{
    apply_padding_mask(words, bit_count);
}

BitVector::BitVector(uint64_t bit_count, bool value)
    : words(value ? allocate_blocks(block_count(bit_count)) : allocate_zeroed_blocks(block_count(bit_count)))
    , bit_count(bit_count)
{
    if (value)
        set_all(true);
}

BitVector::BitVector(const BitVector& other)
    : words(allocate_blocks(block_count(other.bit_count)))
    , bit_count(other.bit_count)
{
    if (words != nullptr)
        std::memcpy(words, other.words, word_count() * sizeof(uint64_t));
}

BitVector::BitVector(BitVector&& other) noexcept
    : words(std::exchange(other.words, nullptr))
    , bit_count(std::exchange(other.bit_count, 0))
{
}

BitVector& BitVector::operator=(BitVector other) noexcept
{
    swap(other);
    return *this;
}

BitVector::~BitVector()
{
    aligned_free(words);
}

void BitVector::swap(BitVector& other) noexcept
{
    std::swap(words, other.words);
    std::swap(bit_count, other.bit_count);
}

uint64_t BitVector::word_count() const
{
    return block_count(bit_count) * words_per_block;
}

void BitVector::reset_all_padding_bits()
{
    apply_padding_mask(words, bit_count);
}

void BitVector::resize(uint64_t new_size, Uninitialized)
{
    const uint64_t old_blocks = block_count(bit_count);
    const uint64_t new_blocks = block_count(new_size);
    if (words == nullptr) {
        if (new_size != 0)
            BitVector(new_size, Uninitialized{}).swap(*this);
        bit_count = new_size;
        return;
    }
    if (old_blocks == new_blocks) {
        bit_count = new_size;
        apply_padding_mask(words, bit_count);
        return;
    }
    if (new_size == 0) {
        BitVector().swap(*this);
        return;
    }
    uint64_t* new_words = allocate_zeroed_blocks(new_blocks);
    const uint64_t kept_words = std::min(old_blocks, new_blocks) * words_per_block;
    copy_set_words(new_words, words, kept_words);
    apply_padding_mask(new_words, new_size);
    aligned_free(std::exchange(words, new_words));
    bit_count = new_size;
}

void BitVector::resize(uint64_t new_size, bool value)
{
    if (new_size < bit_count) {
        resize(new_size, Uninitialized{});
        return;
    }
    if (words == nullptr) {
        BitVector(new_size, value).swap(*this);
        return;
    }
    const uint64_t old_size = bit_count;
    if (block_count(new_size) != block_count(old_size)) {
        // Growth across blocks: the padding of the old last block is zero, so
        // the gained bits read 0 until set below.
        resize(new_size, Uninitialized{});
    }
    bit_count = new_size;
    if (value)
        set_bit_range(old_size, new_size);
}

void BitVector::set_bit_range(uint64_t begin, uint64_t end)
{
    if (begin >= end)
        return;
    const uint64_t first_word = begin / 64;
    const uint64_t last_word = (end - 1) / 64;
    const uint64_t first_mask = ~uint64_t{0} << (begin % 64);
    const uint64_t last_mask = ~uint64_t{0} >> (63 - (end - 1) % 64);
    if (first_word == last_word) {
        words[first_word] |= first_mask & last_mask;
        return;
    }
    words[first_word] |= first_mask;
    std::fill(words + first_word + 1, words + last_word, ~uint64_t{0});
    words[last_word] |= last_mask;
}

uint64_t BitVector::next_size_for(uint64_t i) const
{
    if (i >= uint64_t{1} << 63)
        throw std::length_error("BitVector cannot grow to more than 2^63 bits");
    uint64_t new_size = 1;
    while (new_size <= i)
        new_size *= 2;
    return new_size;
}

void BitVector::make_large_enough_for(uint64_t i, Uninitialized)
{
    if (i >= bit_count)
        resize(next_size_for(i), Uninitialized{});
}

void BitVector::make_large_enough_for(uint64_t i, bool value)
{
    if (i >= bit_count)
        resize(next_size_for(i), value);
}

uint64_t BitVector::population_count() const
{
    uint64_t count = 0;
    for (uint64_t w = 0, n = word_count(); w < n; ++w)
        count += std::popcount(words[w]);
    return count;
}

void BitVector::set_all()
{
    set_all(true);
}

void BitVector::reset_all()
{
    set_all(false);
}

void BitVector::set_all(bool value)
{
    std::fill(words, words + word_count(), value ? ~uint64_t{0} : 0);
    if (value)
        apply_padding_mask(words, bit_count);
}

bool BitVector::are_all_set() const
{
    const uint64_t n = word_count();
    if (n == 0)
        return true;
    uint64_t all = ~uint64_t{0};
    for (uint64_t w = 0; w < n - words_per_block; ++w)
        all &= words[w];
    for (uint64_t k = 0; k < words_per_block; ++k)
        all &= words[n - words_per_block + k] | ~last_block_mask(bit_count, k);
    return all == ~uint64_t{0};
}

bool BitVector::is_any_set() const
{
    uint64_t any = 0;
    for (uint64_t w = 0, n = word_count(); w < n; ++w)
        any |= words[w];
    return any != 0;
}

BitVector& BitVector::operator|=(const BitVector& other)
{
    for (uint64_t w = 0, n = word_count(); w < n; ++w)
        words[w] |= other.words[w];
    return *this;
}

BitVector& BitVector::operator^=(const BitVector& other)
{
    for (uint64_t w = 0, n = word_count(); w < n; ++w)
        words[w] ^= other.words[w];
    return *this;
}

BitVector& BitVector::operator&=(const BitVector& other)
{
    for (uint64_t w = 0, n = word_count(); w < n; ++w)
        words[w] &= other.words[w];
    return *this;
}

void BitVector::inplace_not()
{
    for (uint64_t w = 0, n = word_count(); w < n; ++w)
        words[w] = ~words[w];
    apply_padding_mask(words, bit_count);
}

bool operator==(const BitVector& a, const BitVector& b)
{
    if (a.size() != b.size())
        return false;
    const uint64_t n = block_count(a.size()) * words_per_block;
    return std::equal(a.data(), a.data() + n, b.data());
}

bool operator<(const BitVector& a, const BitVector& b)
{
    if (a.size() != b.size())
        return a.size() < b.size();
    const uint64_t n = block_count(a.size()) * words_per_block;
    const auto [x, y] = std::mismatch(a.data(), a.data() + n, b.data());
    return x != a.data() + n && *x < *y;
}

} // namespace Routing
