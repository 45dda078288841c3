#ifndef ROUTING_CORE_BIT_VECTOR_H
#define ROUTING_CORE_BIT_VECTOR_H

#include <cstdint>

namespace Routing {

// A packed array of bits stored in whole 512-bit blocks on 64-byte
// boundaries. The bits at and beyond the size in the last block are always
// zero, so whole-block operations (counting, comparing, combining, writing
// blocks to a file) never see stray bits.
class BitVector {
public:
    // Tag for the constructor and resizes that leave new bits unspecified.
    struct Uninitialized {};

    BitVector() noexcept = default;
    BitVector(uint64_t bit_count, Uninitialized);
    BitVector(uint64_t bit_count, bool value);
    BitVector(const BitVector& other);
    BitVector(BitVector&& other) noexcept;
    BitVector& operator=(BitVector other) noexcept;
    ~BitVector();

    void swap(BitVector& other) noexcept;

    void reset_all_padding_bits();

    void resize(uint64_t new_size, Uninitialized);
    void resize(uint64_t new_size, bool value);

    // Grows to the smallest power of two above i when i is not below the size.
    void make_large_enough_for(uint64_t i, Uninitialized);
    void make_large_enough_for(uint64_t i, bool value);

    uint64_t population_count() const;
    void set_all();
    void reset_all();
    void set_all(bool value);
    bool are_all_set() const;
    bool is_any_set() const;

    // Both vectors must have the same size.
    BitVector& operator|=(const BitVector& other);
    BitVector& operator^=(const BitVector& other);
    BitVector& operator&=(const BitVector& other);

    void inplace_not();

    uint64_t size() const { return bit_count; }
    // No range checks: i must be below the size.
    bool is_set(uint64_t i) const { return (words[i / 64] >> (i % 64)) & 1; }
    void set(uint64_t i) { words[i / 64] |= uint64_t{1} << (i % 64); }

    // The storage words, whole blocks; null when the vector has no storage.
    uint64_t* data() { return words; }
    const uint64_t* data() const { return words; }

private:
    uint64_t word_count() const;
    void set_bit_range(uint64_t begin, uint64_t end);
    uint64_t next_size_for(uint64_t i) const;

    uint64_t* words = nullptr;
    uint64_t bit_count = 0;
};

bool operator==(const BitVector& a, const BitVector& b);
// Orders by size first, then by the storage words from word 0 upward.
bool operator<(const BitVector& a, const BitVector& b);

} // namespace Routing

#endif
