#ifndef ROUTING_OSM_OSM_DECODER_H
#define ROUTING_OSM_OSM_DECODER_H

#include "routing/osm/buffered_asynchronous_reader.h"
#include "routing/osm/tag_map.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace Routing {

enum class OSMRelationMemberType : uint32_t
{
    node = 0,
    way = 1,
    relation = 2,
};

struct OSMRelationMember
{
    OSMRelationMemberType type;
    uint64_t id;
    // Points into the current block; valid during the callback only.
    const char *role;
};

// Element callbacks; any may be empty, and elements of a kind without a
// callback are skipped undecoded. Tags, node lists, member lists and every
// text in them are valid only during the call.
using OSMNodeCallback = std::function<void(uint64_t id, double latitude, double longitude, const TagMap &tags)>;
using OSMWayCallback = std::function<void(uint64_t id, const std::vector<uint64_t> &node_ids, const TagMap &tags)>;
using OSMRelationCallback =
    std::function<void(uint64_t id, const std::vector<OSMRelationMember> &members, const TagMap &tags)>;
using OSMLogCallback = std::function<void(const std::string &)>;

// Decodes the PrimitiveBlock records that `blob_reader` delivers (32-bit size
// in machine order, then the block) until the data ends, calling the callbacks
// in file order on this thread. Rewrites the block bytes in place.
void internal_read_osm_pbf(BufferedAsynchronousReader &blob_reader, const OSMNodeCallback &node,
                           const OSMWayCallback &way, const OSMRelationCallback &relation,
                           const OSMLogCallback &log_message);

} // namespace Routing

#endif
