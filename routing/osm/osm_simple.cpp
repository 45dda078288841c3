#include "routing/osm/osm_simple.h"

#include "routing/osm/osm_graph_builder.h"

#include <algorithm>

namespace Routing {

namespace {

using Log = std::function<void(const std::string &)>;

// The ID mapping of one profile; no node is a routing node for its tags.
OSMRoutingIDMapping map_ids(const std::string &file, const Log &log_message, bool all_modelling_nodes_are_routing_nodes,
                            bool (*is_used)(uint64_t, const TagMap &, OSMProfileLog))
{
    return load_osm_id_mapping_from_pbf(
        file, {}, [is_used, log_message](uint64_t id, const TagMap &tags) { return is_used(id, tags, log_message); },
        log_message, all_modelling_nodes_are_routing_nodes);
}

OSMRoutingGraph build_graph(const std::string &file, OSMRoutingIDMapping &mapping,
                            OSMWayDirectionCallback way_callback, OSMTurnRestrictionDecoder decoder,
                            const Log &log_message)
{
    OSMRoutingGraph graph = load_osm_routing_graph_from_pbf(file, mapping, std::move(way_callback), std::move(decoder),
                                                            log_message, false, OSMRoadGeometry::none);
    // The mapping's bit vectors span every OSM id: free them before the result is assembled.
    mapping = OSMRoutingIDMapping();
    return graph;
}

// Moves (never copies) the arrays that every simple graph has.
template <class SimpleGraph> SimpleGraph take_common_arrays(OSMRoutingGraph &graph)
{
    SimpleGraph result;
    result.first_out = std::move(graph.first_out);
    result.head = std::move(graph.head);
    result.geo_distance = std::move(graph.geo_distance);
    result.latitude = std::move(graph.latitude);
    result.longitude = std::move(graph.longitude);
    return result;
}

} // namespace

unsigned get_car_travel_time(unsigned length_in_metres, unsigned speed_in_km_per_hour)
{
    const uint64_t milliseconds = uint64_t{length_in_metres} * 18000 / speed_in_km_per_hour / 5;
    return static_cast<unsigned>(std::min<uint64_t>(milliseconds, 4294967295u));
}

SimpleOSMCarRoutingGraph simple_load_osm_car_routing_graph_from_pbf(const std::string &file, const Log &log_message,
                                                                    bool all_modelling_nodes_are_routing_nodes, bool)
{
    OSMRoutingIDMapping mapping = map_ids(file, log_message, all_modelling_nodes_are_routing_nodes,
                                          is_osm_way_used_by_cars);
    std::vector<unsigned> speed(mapping.is_routing_way.population_count(), 0);
    OSMRoutingGraph graph = build_graph(
        file, mapping,
        [&speed, log_message](uint64_t id, unsigned way, const TagMap &tags) {
            speed[way] = get_osm_way_speed(id, tags, log_message);
            return get_osm_car_direction_category(id, tags, log_message);
        },
        [log_message](uint64_t id, const std::vector<OSMRelationMember> &members, const TagMap &tags,
                      std::function<void(OSMTurnRestriction)> emit) {
            decode_osm_car_turn_restrictions(id, members, tags, std::move(emit), log_message);
        },
        log_message);
    auto result = take_common_arrays<SimpleOSMCarRoutingGraph>(graph);
    result.forbidden_turn_from_arc = std::move(graph.forbidden_turn_from_arc);
    result.forbidden_turn_to_arc = std::move(graph.forbidden_turn_to_arc);
    result.travel_time.resize(result.geo_distance.size());
    for (size_t a = 0; a < result.travel_time.size(); ++a)
        result.travel_time[a] = get_car_travel_time(result.geo_distance[a], speed[graph.way[a]]);
    return result;
}

SimpleOSMPedestrianRoutingGraph simple_load_osm_pedestrian_routing_graph_from_pbf(
    const std::string &file, const Log &log_message, bool all_modelling_nodes_are_routing_nodes, bool)
{
    OSMRoutingIDMapping mapping = map_ids(file, log_message, all_modelling_nodes_are_routing_nodes,
                                          is_osm_way_used_by_pedestrians);
    OSMRoutingGraph graph = build_graph(
        file, mapping,
        [](uint64_t, unsigned, const TagMap &) { return OSMWayDirectionCategory::open_in_both_directions; }, {},
        log_message);
    return take_common_arrays<SimpleOSMPedestrianRoutingGraph>(graph);
}

SimpleOSMBicycleRoutingGraph simple_load_osm_bicycle_routing_graph_from_pbf(
    const std::string &file, const Log &log_message, bool all_modelling_nodes_are_routing_nodes, bool)
{
    OSMRoutingIDMapping mapping = map_ids(file, log_message, all_modelling_nodes_are_routing_nodes,
                                          is_osm_way_used_by_bicycles);
    std::vector<uint8_t> comfort(mapping.is_routing_way.population_count(), 0);
    OSMRoutingGraph graph = build_graph(
        file, mapping,
        [&comfort, log_message](uint64_t id, unsigned way, const TagMap &tags) {
            comfort[way] = static_cast<uint8_t>(get_osm_way_bicycle_comfort_level(id, tags, log_message));
            return get_osm_bicycle_direction_category(id, tags, log_message);
        },
        {}, log_message);
    auto result = take_common_arrays<SimpleOSMBicycleRoutingGraph>(graph);
    result.arc_comfort_level.resize(result.head.size());
    for (size_t a = 0; a < result.head.size(); ++a)
        result.arc_comfort_level[a] = comfort[graph.way[a]];
    return result;
}

} // namespace Routing
