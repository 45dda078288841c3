#ifndef ROUTING_OSM_OSM_PBF_DECOMPRESSOR_H
#define ROUTING_OSM_OSM_PBF_DECOMPRESSOR_H

#include "routing/osm/buffered_asynchronous_reader.h"

#include <atomic>
#include <cstdint>

namespace Routing {

// Turns the framed blobs of an OSM PBF file, read from `file_reader`, into a
// sequence of records (32-bit raw size in machine order, then the inflated
// PrimitiveBlock), one per data blob, checking the header blob on the way.
// Its read function runs on the worker of the reader that consumes it.
class OsmPBFDecompressor
{
public:
    // Bits of the state word.
    static constexpr uint64_t header_handled_or_data_met = 1;
    static constexpr uint64_t declared_sorted = 2;
    static constexpr uint64_t data_blob_met = 4;
    static constexpr uint64_t header_blob_met = 8;

    OsmPBFDecompressor() = default;
    explicit OsmPBFDecompressor(BufferedAsynchronousReader file_reader);

    // Destroys the current file reader first, then clears the state.
    void replace_file_reader(BufferedAsynchronousReader file_reader);

    uint64_t state() const { return state_word.load(std::memory_order_acquire); }
    // True once the read function has returned 0 or thrown: the state word
    // will not change any more.
    bool has_stopped() const { return stopped.load(std::memory_order_acquire); }

    // Bound to this object, which must outlive every reader using it.
    ReadFunction get_read_function_object();

private:
    unsigned long long read_next_record(char *buffer, unsigned long long capacity);
    unsigned long long read_data_blob(const char *blob, uint32_t size, char *buffer, unsigned long long capacity);
    void read_header_blob(const char *blob, uint32_t size);

    std::atomic<uint64_t> state_word{0};
    std::atomic<bool> stopped{false};
    BufferedAsynchronousReader file_reader;
};

} // namespace Routing

#endif
