#include "routing/osm/osm_graph_builder.h"
#include "routing/osm/osm_simple.h"
#include "tests/routing/osm/pbf_test_support.h"
#include "tests/support/test_data.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <regex>
#include <string>
#include <vector>

namespace {

using namespace Routing;

// What every loaded graph must satisfy, and its node and arc counts as the independent model of the profile
// computes them from osmium's view of the file.
template <class Graph> void check_graph(const Graph &graph, const std::string &pbf, const std::string &profile)
{
    const size_t nodes = graph.latitude.size();
    EXPECT_TRUE(graph.first_out.size() == nodes + 1 && graph.longitude.size() == nodes &&
                graph.first_out.back() == graph.head.size() && graph.geo_distance.size() == graph.head.size());
    EXPECT_TRUE(std::is_sorted(graph.first_out.begin(), graph.first_out.end()));
    EXPECT_TRUE(std::all_of(graph.head.begin(), graph.head.end(), [&](unsigned head) { return head < nodes; }));
    // "(min longitude,min latitude,max longitude,max latitude)"
    const std::string box = run_command("osmium fileinfo --no-progress -e -g data.bbox " + pbf);
    double west, south, east, north;
    ASSERT_EQ(std::sscanf(box.c_str(), "(%lf,%lf,%lf,%lf)", &west, &south, &east, &north), 4) << box;
    for (size_t x = 0; x < nodes; ++x)
        EXPECT_TRUE(graph.latitude[x] >= south - 1e-5 && graph.latitude[x] <= north + 1e-5 &&
                    graph.longitude[x] >= west - 1e-5 && graph.longitude[x] <= east + 1e-5)
            << "node " << x << " at " << graph.latitude[x] << "," << graph.longitude[x];
    const std::string counts = run_command("osmium cat --no-progress -f opl,add_metadata=false " + pbf + " | python3 " +
                                           GRAPH_MODEL + " " + profile);
    EXPECT_EQ(std::to_string(nodes) + " " + std::to_string(graph.head.size()) + "\n", counts) << profile;
}

std::string log;
void log_line(const std::string &line)
{
    log += line + "\n";
}

TEST(MonacoLoaders, CarGraph)
{
    REQUIRE_MONACO_PBF(monaco);
    const SimpleOSMCarRoutingGraph graph = simple_load_osm_car_routing_graph_from_pbf(monaco, log_line, false, false);
    check_graph(graph, monaco, "car");
    ASSERT_EQ(graph.travel_time.size(), graph.head.size());
    for (size_t a = 0; a < graph.head.size(); ++a) // no arc is faster than 130 km/h
        EXPECT_GE(graph.travel_time[a] * 130ull + 130, graph.geo_distance[a] * 3600ull) << a;

    // Forbidden turns: sorted, unique, from an arc into an arc leaving its head.
    const auto &from = graph.forbidden_turn_from_arc, &to = graph.forbidden_turn_to_arc;
    ASSERT_EQ(from.size(), to.size());
    EXPECT_FALSE(from.empty());
    for (size_t i = 0; i < from.size(); ++i) {
        EXPECT_TRUE(graph.first_out[graph.head[from[i]]] <= to[i] && to[i] < graph.first_out[graph.head[from[i]] + 1]);
        EXPECT_TRUE(i == 0 || std::pair(from[i - 1], to[i - 1]) < std::pair(from[i], to[i])) << i;
    }

    const std::string text = std::regex_replace(log, std::regex("needed [0-9]+ musec"), "needed T musec");
    EXPECT_EQ(text.find("Scanning OSM PBF data to determine IDs\nNot all modelling nodes are routing nodes\n"
                        "Finished scan, needed T musec.\nOSM ID range goes up to "),
              0u);
    for (const std::string &part : std::vector<std::string>{
             "\nFound " + std::to_string(graph.latitude.size()) + " routing nodes.\n",
             "\nStart computing ID mappings\nFinished, needed T musec.\nScanning OSM PBF data to load routing arcs\n"
             "Finished scan, needed T musec.\nFound " + std::to_string(graph.head.size()) + " arcs.\n"
             "Start sorting arcs by tail\nFinished sorting, needed T musec.\n"
             "Start computing modelling to routing node mapping\nFinished, needed T musec.\n"
             "Start reducing geographic positions to routing nodes\nFinished, needed T musec.\nFound ",
             "\nExtracted " + std::to_string(from.size()) + " forbidden turns.\n"})
        EXPECT_NE(text.find(part), std::string::npos) << part;
}

TEST(MonacoLoaders, PedestrianGraphIsSymmetric)
{
    REQUIRE_MONACO_PBF(monaco);
    log.clear();
    const SimpleOSMPedestrianRoutingGraph graph =
        simple_load_osm_pedestrian_routing_graph_from_pbf(monaco, log_line, false, false);
    check_graph(graph, monaco, "pedestrian");
    std::map<std::tuple<unsigned, unsigned, unsigned>, int> balance;
    for (unsigned x = 0; x + 1 < graph.first_out.size(); ++x)
        for (unsigned a = graph.first_out[x]; a < graph.first_out[x + 1]; ++a) {
            ++balance[{x, graph.head[a], graph.geo_distance[a]}];
            --balance[{graph.head[a], x, graph.geo_distance[a]}];
        }
    EXPECT_TRUE(std::all_of(balance.begin(), balance.end(), [](const auto &entry) { return entry.second == 0; }));
    EXPECT_NE(log.find("Extracted 0 forbidden turns.\n"), std::string::npos);
}

TEST(MonacoLoaders, BicycleGraphAndArcsByDirection)
{
    REQUIRE_MONACO_PBF(monaco);
    const SimpleOSMBicycleRoutingGraph graph = simple_load_osm_bicycle_routing_graph_from_pbf(monaco, {}, false, false);
    check_graph(graph, monaco, "bicycle");
    ASSERT_EQ(graph.arc_comfort_level.size(), graph.head.size());
    EXPECT_TRUE(std::all_of(graph.arc_comfort_level.begin(), graph.arc_comfort_level.end(),
                            [](uint8_t level) { return level <= get_max_bicycle_comfort_level(); }));

    // Each way's arcs along and against it: some where its direction category opens it, as many each way on a
    // two-way way.
    const OSMRoutingIDMapping mapping = load_osm_id_mapping_from_pbf(
        monaco, {}, [](uint64_t id, const TagMap &tags) { return is_osm_way_used_by_bicycles(id, tags, {}); }, {},
        false);
    std::vector<OSMWayDirectionCategory> category(mapping.is_routing_way.population_count());
    const OSMRoutingGraph full = load_osm_routing_graph_from_pbf(
        monaco, mapping,
        [&](uint64_t id, unsigned way, const TagMap &tags) {
            return category[way] = get_osm_bicycle_direction_category(id, tags, {});
        },
        {}, {}, false, OSMRoadGeometry::none);
    std::vector<std::array<unsigned, 2>> arcs(category.size());
    for (unsigned a = 0; a < full.head.size(); ++a)
        ++arcs[full.way[a]][full.is_arc_antiparallel_to_way[a]];
    for (unsigned way = 0; way < category.size(); ++way) {
        using enum OSMWayDirectionCategory;
        const bool both = category[way] == open_in_both_directions;
        EXPECT_TRUE((arcs[way][0] > 0) == (both || category[way] == only_open_forwards) &&
                    (arcs[way][1] > 0) == (both || category[way] == only_open_backwards) &&
                    (!both || arcs[way][0] == arcs[way][1]))
            << way;
    }
}

} // namespace
