#include "routing/osm/osm_graph_builder.h"

#include "routing/core/constants.h"
#include "routing/core/graph_util.h"
#include "routing/core/id_mapper.h"
#include "routing/osm/osm_forbidden_turns.h"
#include "routing/osm/osm_pbf_reading.h"
#include "routing/osm/import_log.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace Routing {

namespace {

// Bit vectors indexed by OSM id must not be sized from a negative id (which
// reads as 2^63 or more) or the doubling growth would overflow.
void mark(BitVector &bits, uint64_t id, const char *kind)
{
    if (id >> 63)
        throw std::runtime_error(std::string("OSM ") + kind + " ID " + std::to_string(static_cast<int64_t>(id)) +
                                 " is negative or too large; only IDs from 0 to 2^63 - 1 are supported.");
    bits.make_large_enough_for(id, false);
    bits.set(id);
}

bool is_marked(const BitVector &bits, uint64_t id)
{
    return id < bits.size() && bits.is_set(id);
}

IDMapper mapper_over(const BitVector &bits)
{
    return IDMapper(bits.size(), bits.data());
}

} // namespace

OSMRoutingIDMapping load_osm_id_mapping_from_pbf(const std::string &file,
                                                 std::function<bool(uint64_t, const TagMap &)> node_filter,
                                                 std::function<bool(uint64_t, const TagMap &)> way_filter,
                                                 std::function<void(const std::string &)> log_message,
                                                 bool all_modelling_nodes_are_routing_nodes)
{
    OSMRoutingIDMapping mapping;
    ImportLog log(log_message);
    log.line("Scanning OSM PBF data to determine IDs");
    log.start(all_modelling_nodes_are_routing_nodes ? "All modelling nodes are routing nodes"
                                                    : "Not all modelling nodes are routing nodes");

    OSMNodeCallback on_node;
    if (node_filter)
        on_node = [&](uint64_t id, double, double, const TagMap &tags) {
            if (node_filter(id, tags)) {
                mark(mapping.is_modelling_node, id, "node");
                mark(mapping.is_routing_node, id, "node");
            }
        };
    auto on_way = [&](uint64_t id, const std::vector<uint64_t> &node_ids, const TagMap &tags) {
        if (node_ids.size() < 2 || !way_filter(id, tags))
            return;
        mark(mapping.is_routing_way, id, "way");
        for (const uint64_t node : node_ids) {
            if (all_modelling_nodes_are_routing_nodes || is_marked(mapping.is_modelling_node, node))
                mark(mapping.is_routing_node, node, "node");
            mark(mapping.is_modelling_node, node, "node");
        }
        mark(mapping.is_routing_node, node_ids.front(), "node");
        mark(mapping.is_routing_node, node_ids.back(), "node");
    };
    unordered_read_osm_pbf(file, on_node, on_way, {}, log_message);

    log.finish("Finished scan, needed ");
    const std::pair<const char *, const BitVector *> sets[] = {{"routing nodes", &mapping.is_routing_node},
                                                               {"modelling nodes", &mapping.is_modelling_node},
                                                               {"routing ways", &mapping.is_routing_way}};
    for (const auto &[name, bits] : sets)
        log.line("OSM ID range goes up to " + std::to_string(bits->size()) + " for " + name + ".");
    for (const auto &[name, bits] : sets)
        log.line("Found " + std::to_string(bits->population_count()) + " " + name + ".");
    return mapping;
}

double get_osm_segment_length(float latitude1, float longitude1, float latitude2, float longitude2)
{
    const double to_radians = 0.017453292519944444;
    const double earth_radius = 6371000.785;
    const double a = std::cos((double{latitude2} - double{latitude1}) * to_radians);
    const double b = std::cos((double{latitude1} + double{latitude2}) * to_radians);
    const double c = std::cos((double{longitude2} - double{longitude1}) * to_radians);
    // Rounding can push the cosine of a zero-length segment just above 1,
    // where acos has no value.
    return std::acos(std::min(((a + b) * c + (a - b)) * 0.5, 1.0)) * earth_radius;
}

namespace {

// Whole metres, truncated; lengths beyond 32 bits (only a hostile file has
// them) saturate instead of being undefined.
unsigned whole_metres(double length)
{
    return length < 4294967295.0 ? static_cast<unsigned>(length) : 4294967295u;
}

// Collects the arcs of the routing ways in creation order during the read.
class ArcCollector
{
public:
    ArcCollector(OSMRoutingGraph &graph, std::vector<unsigned> &tail, OSMRoadGeometry geometry)
        : graph(graph), tail(tail), geometry(geometry)
    {
    }

    void add_way(unsigned way, OSMWayDirectionCategory category, const std::vector<uint64_t> &node_ids,
                 const IDMapper &modelling_mapper, const IDMapper &routing_node_mapper,
                 const std::vector<float> &latitude, const std::vector<float> &longitude);

private:
    void add_arc(unsigned from, unsigned to, unsigned way, unsigned length, bool antiparallel);

    OSMRoutingGraph &graph;
    std::vector<unsigned> &tail;
    const OSMRoadGeometry geometry;
    std::vector<float> inner_latitude;
    std::vector<float> inner_longitude;
};

void ArcCollector::add_way(unsigned way, OSMWayDirectionCategory category, const std::vector<uint64_t> &node_ids,
                           const IDMapper &modelling_mapper, const IDMapper &routing_node_mapper,
                           const std::vector<float> &latitude, const std::vector<float> &longitude)
{
    // Every id is looked up with a range check: a file that changed since the
    // mapping was made must not lead outside the arrays. Such a way ends at
    // its first node that the mapping does not know.
    unsigned previous_routing = routing_node_mapper.to_local(node_ids.front(), invalid_id);
    unsigned previous_modelling = modelling_mapper.to_local(node_ids.front(), invalid_id);
    if (previous_routing == invalid_id || previous_modelling == invalid_id)
        return;
    double length = 0;
    inner_latitude.clear();
    inner_longitude.clear();
    for (size_t i = 1; i < node_ids.size(); ++i) {
        const unsigned modelling = modelling_mapper.to_local(node_ids[i], invalid_id);
        if (modelling == invalid_id)
            return;
        length += get_osm_segment_length(latitude[previous_modelling], longitude[previous_modelling],
                                         latitude[modelling], longitude[modelling]);
        previous_modelling = modelling;
        const unsigned routing = routing_node_mapper.to_local(node_ids[i], invalid_id);
        if (routing == invalid_id) {
            if (geometry != OSMRoadGeometry::none) {
                inner_latitude.push_back(latitude[modelling]);
                inner_longitude.push_back(longitude[modelling]);
            }
            continue;
        }
        const unsigned metres = whole_metres(length);
        if (category != OSMWayDirectionCategory::only_open_backwards)
            add_arc(previous_routing, routing, way, metres, false);
        if (category != OSMWayDirectionCategory::only_open_forwards) {
            std::reverse(inner_latitude.begin(), inner_latitude.end());
            std::reverse(inner_longitude.begin(), inner_longitude.end());
            add_arc(routing, previous_routing, way, metres, true);
        }
        inner_latitude.clear();
        inner_longitude.clear();
        previous_routing = routing;
        length = 0;
    }
}

void ArcCollector::add_arc(unsigned from, unsigned to, unsigned way, unsigned length, bool antiparallel)
{
    tail.push_back(from);
    graph.head.push_back(to);
    graph.way.push_back(way);
    graph.geo_distance.push_back(length);
    graph.is_arc_antiparallel_to_way.push_back(antiparallel);
    if (geometry == OSMRoadGeometry::none)
        return;
    graph.first_modelling_node.push_back(static_cast<unsigned>(graph.modelling_node_latitude.size()));
    const size_t count = inner_latitude.size();
    for (size_t i = 0; i < count; ++i) {
        if (geometry == OSMRoadGeometry::first_and_last_modelling_node && i != 0 && i + 1 != count)
            continue;
        graph.modelling_node_latitude.push_back(inner_latitude[i]);
        graph.modelling_node_longitude.push_back(inner_longitude[i]);
    }
}

// Puts the arcs' inner modelling nodes into the sorted arc order, given the
// new position of every arc.
void sort_geometry(OSMRoutingGraph &graph, const std::vector<unsigned> &new_position)
{
    graph.first_modelling_node.push_back(static_cast<unsigned>(graph.modelling_node_latitude.size()));
    std::vector<unsigned> old_arc(new_position.size());
    for (unsigned a = 0; a < new_position.size(); ++a)
        old_arc[new_position[a]] = a;
    std::vector<unsigned> first;
    std::vector<float> latitude, longitude;
    first.reserve(graph.first_modelling_node.size());
    latitude.reserve(graph.modelling_node_latitude.size());
    longitude.reserve(graph.modelling_node_longitude.size());
    for (const unsigned a : old_arc) {
        first.push_back(static_cast<unsigned>(latitude.size()));
        const auto begin = graph.first_modelling_node[a], end = graph.first_modelling_node[a + 1];
        latitude.insert(latitude.end(), graph.modelling_node_latitude.begin() + begin,
                        graph.modelling_node_latitude.begin() + end);
        longitude.insert(longitude.end(), graph.modelling_node_longitude.begin() + begin,
                         graph.modelling_node_longitude.begin() + end);
    }
    first.push_back(static_cast<unsigned>(latitude.size()));
    graph.first_modelling_node = std::move(first);
    graph.modelling_node_latitude = std::move(latitude);
    graph.modelling_node_longitude = std::move(longitude);
}

} // namespace

OSMRoutingGraph load_osm_routing_graph_from_pbf(const std::string &file, const OSMRoutingIDMapping &mapping,
                                                OSMWayDirectionCallback way_callback,
                                                OSMTurnRestrictionDecoder turn_restriction_decoder,
                                                std::function<void(const std::string &)> log_message,
                                                bool all_in_one_pass, OSMRoadGeometry geometry)
{
    if (!way_callback)
        way_callback = [](uint64_t, unsigned, const TagMap &) {
            return OSMWayDirectionCategory::open_in_both_directions;
        };
    if (turn_restriction_decoder && geometry == OSMRoadGeometry::none)
        geometry = OSMRoadGeometry::first_and_last_modelling_node;
    ImportLog log(log_message);

    log.start("Start computing ID mappings");
    auto modelling_mapper = std::make_unique<IDMapper>(mapper_over(mapping.is_modelling_node));
    const IDMapper routing_node_mapper = mapper_over(mapping.is_routing_node);
    const IDMapper routing_way_mapper = mapper_over(mapping.is_routing_way);
    log.finish();
    const auto node_count = static_cast<unsigned>(routing_node_mapper.local_id_count());

    std::vector<float> modelling_latitude(modelling_mapper->local_id_count());
    std::vector<float> modelling_longitude(modelling_mapper->local_id_count());
    std::vector<unsigned> tail;
    std::vector<OSMTurnRestriction> restrictions;
    OSMRoutingGraph graph;
    ArcCollector arcs(graph, tail, geometry);

    log.start("Scanning OSM PBF data to load routing arcs");
    auto on_node = [&](uint64_t id, double latitude, double longitude, const TagMap &) {
        const unsigned modelling = modelling_mapper->to_local(id, invalid_id);
        if (modelling != invalid_id) {
            modelling_latitude[modelling] = static_cast<float>(latitude);
            modelling_longitude[modelling] = static_cast<float>(longitude);
        }
    };
    auto on_way = [&](uint64_t id, const std::vector<uint64_t> &node_ids, const TagMap &tags) {
        const unsigned way = routing_way_mapper.to_local(id, invalid_id);
        if (way == invalid_id || node_ids.empty())
            return;
        const OSMWayDirectionCategory category = way_callback(id, way, tags);
        if (category != OSMWayDirectionCategory::closed)
            arcs.add_way(way, category, node_ids, *modelling_mapper, routing_node_mapper, modelling_latitude,
                         modelling_longitude);
    };
    OSMRelationCallback on_relation;
    if (turn_restriction_decoder)
        on_relation = [&](uint64_t id, const std::vector<OSMRelationMember> &members, const TagMap &tags) {
            turn_restriction_decoder(id, members, tags,
                                     [&](OSMTurnRestriction restriction) { restrictions.push_back(restriction); });
        };
    ordered_read_osm_pbf(file, on_node, on_way, on_relation, log_message, all_in_one_pass);
    log.finish("Finished scan, needed ");
    log.line("Found " + std::to_string(graph.head.size()) + " arcs.");

    log.start("Start sorting arcs by tail");
    {
        const std::vector<unsigned> new_position =
            compute_inverse_sort_permutation_first_by_tail_then_by_head_and_apply_sort_to_tail(node_count, tail,
                                                                                                graph.head);
        graph.head = apply_inverse_permutation(new_position, std::move(graph.head));
        graph.geo_distance = apply_inverse_permutation(new_position, std::move(graph.geo_distance));
        graph.way = apply_inverse_permutation(new_position, std::move(graph.way));
        graph.is_arc_antiparallel_to_way =
            apply_inverse_permutation(new_position, std::move(graph.is_arc_antiparallel_to_way));
        if (geometry != OSMRoadGeometry::none)
            sort_geometry(graph, new_position);
    }
    graph.first_out.assign(node_count + 1, 0);
    for (const unsigned t : tail)
        ++graph.first_out[t + 1];
    for (unsigned x = 0; x < node_count; ++x)
        graph.first_out[x + 1] += graph.first_out[x];
    log.finish("Finished sorting, needed ");

    log.start("Start computing modelling to routing node mapping");
    BitVector is_routing(modelling_latitude.size(), false);
    for (unsigned node = 0; node < node_count; ++node) {
        const unsigned modelling = modelling_mapper->to_local(routing_node_mapper.to_global(node), invalid_id);
        if (modelling == invalid_id)
            throw std::invalid_argument("The OSM ID mapping has a routing node that is not a modelling node.");
        is_routing.set(modelling);
    }
    modelling_mapper.reset();
    log.finish();

    log.start("Start reducing geographic positions to routing nodes");
    graph.latitude = std::move(modelling_latitude);
    graph.longitude = std::move(modelling_longitude);
    inplace_keep_element_of_vector_if(is_routing, graph.latitude);
    inplace_keep_element_of_vector_if(is_routing, graph.longitude);
    log.finish();

    log.line("Found " + std::to_string(restrictions.size()) + " OSM turn restrictions.");
    if (restrictions.empty())
        log.line("Extracted 0 forbidden turns.");
    else
        add_forbidden_turns(graph, tail, std::move(restrictions), routing_node_mapper, routing_way_mapper, log_message);
    return graph;
}

} // namespace Routing
