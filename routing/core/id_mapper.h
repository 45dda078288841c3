#ifndef ROUTING_CORE_ID_MAPPER_H
#define ROUTING_CORE_ID_MAPPER_H

#include <cstdint>
#include <vector>

// Dense numbering of a sparse id set given as bits: the global ids whose bit
// is set get the local ids 0, 1, ... in ascending order.
namespace Routing {

// Global to local (rank). Keeps a pointer to the bits: they must stay alive
// and unchanged while the mapper is used. The bits are whole 512-bit blocks
// (BitVector storage) and those at or beyond global_id_count are zero.
class LocalIDMapper {
public:
    LocalIDMapper(uint64_t global_id_count, const uint64_t* bits);

    uint64_t global_id_count() const { return global_count; }
    uint64_t local_id_count() const { return rank.back(); }

    // The local id of global, or default_id when global is out of range or
    // its bit is clear.
    uint32_t to_local(uint64_t global, uint32_t default_id) const;
    // global must be below global_id_count() and have its bit set.
    uint32_t to_local(uint64_t global) const;

protected:
    const uint64_t* bits;
    uint64_t global_count;
    // Entry k: set bits in the blocks before block k; one entry per block plus one.
    std::vector<uint64_t> rank;
};

// Adds local to global (select).
class IDMapper : public LocalIDMapper {
public:
    IDMapper(uint64_t global_id_count, const uint64_t* bits);

    // local must be below local_id_count().
    uint64_t to_global(uint32_t local) const;

private:
    // Hint j: the block holding the set bit whose local id is 256 j.
    std::vector<uint64_t> select_hint;
};

} // namespace Routing

#endif
