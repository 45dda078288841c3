// Feeds arbitrary bytes through the PBF framing, inflation and decoding, with
// small ring blocks so that spans cross the ring's end often.
#include "routing/osm/buffered_asynchronous_reader.h"
#include "routing/osm/osm_decoder.h"
#include "routing/osm/osm_pbf_decompressor.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <stdexcept>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    size_t pos = 0;
    Routing::ReadFunction source = [&](char *buffer, unsigned long long capacity) -> unsigned long long {
        const size_t n = std::min<size_t>(capacity, size - pos);
        std::memcpy(buffer, data + pos, n);
        pos += n;
        return n;
    };
    // Touch everything the callbacks receive, so that a bad pointer shows.
    size_t sink = 0;
    auto touch_tags = [&](const Routing::TagMap &tags) {
        for (const char *key : {"highway", "name", ""})
            if (const char *value = tags[key])
                sink += std::strlen(value);
    };
    try {
        Routing::OsmPBFDecompressor decompressor(Routing::BufferedAsynchronousReader(source, 4096));
        Routing::BufferedAsynchronousReader blob_reader(decompressor.get_read_function_object(), 8192);
        Routing::internal_read_osm_pbf(
            blob_reader,
            [&](uint64_t id, double latitude, double longitude, const Routing::TagMap &tags) {
                sink += id + (latitude + longitude != 0);
                touch_tags(tags);
            },
            [&](uint64_t id, const std::vector<uint64_t> &node_ids, const Routing::TagMap &tags) {
                for (const uint64_t node : node_ids)
                    sink += id ^ node;
                touch_tags(tags);
            },
            [&](uint64_t id, const std::vector<Routing::OSMRelationMember> &members, const Routing::TagMap &tags) {
                for (const auto &member : members)
                    sink += id + member.id + std::strlen(member.role);
                touch_tags(tags);
            },
            {});
    } catch (const std::runtime_error &) {
    }
    // Keeps the reads above from being optimised away.
    asm volatile("" : : "r"(sink) : "memory");
    return 0;
}
