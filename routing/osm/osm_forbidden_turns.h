#ifndef ROUTING_OSM_OSM_FORBIDDEN_TURNS_H
#define ROUTING_OSM_OSM_FORBIDDEN_TURNS_H

#include "routing/core/id_mapper.h"
#include "routing/osm/osm_graph_builder.h"

#include <functional>
#include <string>
#include <vector>

namespace Routing {

// Turns the restrictions, given in OSM ids, into the graph's forbidden turns
// (pairs of arcs, sorted, without duplicates). What the graph cannot express
// is dropped. `tail` is the sorted tail of every arc; the graph must carry the
// first and last inner modelling node of every arc.
void add_forbidden_turns(OSMRoutingGraph &graph, const std::vector<unsigned> &tail,
                         std::vector<OSMTurnRestriction> restrictions, const IDMapper &routing_node_mapper,
                         const IDMapper &routing_way_mapper, const std::function<void(const std::string &)> &log_message);

} // namespace Routing

#endif
