#ifndef ROUTING_OSM_OSM_SIMPLE_H
#define ROUTING_OSM_OSM_SIMPLE_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace Routing {

// Ready routing graphs in forward-star form: the arcs out of node x are
// first_out[x] to first_out[x + 1] - 1.

struct SimpleOSMCarRoutingGraph
{
    std::vector<unsigned> first_out;
    std::vector<unsigned> head;
    // Milliseconds at the way's car speed, saturating at 4294967295.
    std::vector<unsigned> travel_time;
    std::vector<unsigned> geo_distance;
    std::vector<float> latitude;
    std::vector<float> longitude;
    // Sorted pairs, without duplicates: the arc entered, then the arc that
    // may not be taken next.
    std::vector<unsigned> forbidden_turn_from_arc;
    std::vector<unsigned> forbidden_turn_to_arc;
};

struct SimpleOSMPedestrianRoutingGraph
{
    std::vector<unsigned> first_out;
    std::vector<unsigned> head;
    std::vector<unsigned> geo_distance;
    std::vector<float> latitude;
    std::vector<float> longitude;
};

struct SimpleOSMBicycleRoutingGraph
{
    std::vector<unsigned> first_out;
    std::vector<unsigned> head;
    std::vector<unsigned> geo_distance;
    std::vector<float> latitude;
    std::vector<float> longitude;
    std::vector<uint8_t> arc_comfort_level;
};

// The last flag is not read.
SimpleOSMCarRoutingGraph simple_load_osm_car_routing_graph_from_pbf(
    const std::string &file, const std::function<void(const std::string &)> &log_message,
    bool all_modelling_nodes_are_routing_nodes, bool);
SimpleOSMPedestrianRoutingGraph simple_load_osm_pedestrian_routing_graph_from_pbf(
    const std::string &file, const std::function<void(const std::string &)> &log_message,
    bool all_modelling_nodes_are_routing_nodes, bool);
SimpleOSMBicycleRoutingGraph simple_load_osm_bicycle_routing_graph_from_pbf(
    const std::string &file, const std::function<void(const std::string &)> &log_message,
    bool all_modelling_nodes_are_routing_nodes, bool);

// 3600 * length / speed in milliseconds, computed in 64 bits and saturating
// at 4294967295 for very long arcs.
unsigned get_car_travel_time(unsigned length_in_metres, unsigned speed_in_km_per_hour);

} // namespace Routing

#endif
