#ifndef ROUTING_OSM_OSM_TURN_RESTRICTION_H
#define ROUTING_OSM_OSM_TURN_RESTRICTION_H

#include "routing/osm/osm_decoder.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace Routing {

enum class OSMTurnRestrictionCategory : uint32_t
{
    mandatory = 0,
    prohibitive = 1,
};

enum class OSMTurnDirection : uint32_t
{
    left_turn = 0,
    right_turn = 1,
    straight_on = 2,
    u_turn = 3,
};

// One "from" way and one "to" way of a turn restriction, in OSM ids.
struct OSMTurnRestriction
{
    uint64_t osm_relation_id;
    OSMTurnRestrictionCategory category;
    OSMTurnDirection direction;
    uint64_t from_way;
    // All bits set when the relation has no "via" member.
    uint64_t via_node;
    uint64_t to_way;
};

constexpr uint64_t no_via_node = UINT64_MAX;

// Emits one record per pair of "from" and "to" way of a well-formed car turn
// restriction; malformed relations are logged and skipped.
void decode_osm_car_turn_restrictions(uint64_t osm_relation_id, const std::vector<OSMRelationMember> &member_list,
                                      const TagMap &tags, std::function<void(OSMTurnRestriction)> on_new_restriction,
                                      std::function<void(const std::string &)> log_message);

} // namespace Routing

#endif
