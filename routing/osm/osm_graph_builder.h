#ifndef ROUTING_OSM_OSM_GRAPH_BUILDER_H
#define ROUTING_OSM_OSM_GRAPH_BUILDER_H

#include "routing/core/bit_vector.h"
#include "routing/osm/osm_profile.h"
#include "routing/osm/osm_turn_restriction.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace Routing {

// Which OSM ids take part in the routing graph, as bits indexed by OSM id; an
// id at or beyond a vector's size is not set.
struct OSMRoutingIDMapping
{
    // Referenced by a routing way, or accepted by the node filter.
    BitVector is_modelling_node;
    // End of a routing way, shared by routing ways or repeated in one, or
    // accepted by the node filter.
    BitVector is_routing_node;
    // Passed the way filter and has at least two node references.
    BitVector is_routing_way;
};

// One unordered read. Ids of 2^63 or more (negative in the file) that would
// enter the mapping are rejected with std::runtime_error.
OSMRoutingIDMapping load_osm_id_mapping_from_pbf(const std::string &file,
                                                 std::function<bool(uint64_t osm_node_id, const TagMap &tags)> node_filter,
                                                 std::function<bool(uint64_t osm_way_id, const TagMap &tags)> way_filter,
                                                 std::function<void(const std::string &)> log_message,
                                                 bool all_modelling_nodes_are_routing_nodes);

// Inner modelling nodes kept per arc, in the arc's direction of travel.
enum class OSMRoadGeometry : uint32_t
{
    none = 0,
    all_modelling_nodes = 1,
    first_and_last_modelling_node = 2,
};

// Nodes and ways numbered densely in ascending OSM id order; arcs sorted by
// tail, then head, then creation.
struct OSMRoutingGraph
{
    std::vector<unsigned> first_out;
    std::vector<unsigned> head;
    std::vector<unsigned> way;
    std::vector<unsigned> geo_distance;
    std::vector<float> latitude;
    std::vector<float> longitude;
    std::vector<bool> is_arc_antiparallel_to_way;
    std::vector<unsigned> forbidden_turn_from_arc;
    std::vector<unsigned> forbidden_turn_to_arc;
    // Arc a's inner modelling nodes are entries first_modelling_node[a] to
    // first_modelling_node[a + 1] - 1; empty without geometry.
    std::vector<unsigned> first_modelling_node;
    std::vector<float> modelling_node_latitude;
    std::vector<float> modelling_node_longitude;
};

using OSMWayDirectionCallback =
    std::function<OSMWayDirectionCategory(uint64_t osm_way_id, unsigned routing_way_id, const TagMap &tags)>;
using OSMTurnRestrictionDecoder =
    std::function<void(uint64_t osm_relation_id, const std::vector<OSMRelationMember> &members, const TagMap &tags,
                       std::function<void(OSMTurnRestriction)> emit)>;

// Length in metres of the great-circle segment between two stored positions.
double get_osm_segment_length(float latitude1, float longitude1, float latitude2, float longitude2);

// One ordered read turning the routing ways of `mapping` into arcs, and the
// turn restrictions into forbidden turns when a decoder is given (which needs
// the first and last inner modelling node of arcs: geometry mode none then
// becomes first_and_last_modelling_node).
OSMRoutingGraph load_osm_routing_graph_from_pbf(const std::string &file, const OSMRoutingIDMapping &mapping,
                                                OSMWayDirectionCallback way_callback,
                                                OSMTurnRestrictionDecoder turn_restriction_decoder,
                                                std::function<void(const std::string &)> log_message,
                                                bool all_in_one_pass, OSMRoadGeometry geometry);

} // namespace Routing

#endif
