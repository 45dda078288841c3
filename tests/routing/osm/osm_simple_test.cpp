#include "routing/osm/osm_graph_builder.h"
#include "routing/osm/osm_simple.h"
#include "tests/routing/osm/pbf_test_support.h"
#include "tests/support/test_data.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace Routing;

struct Bounds
{
    double min_latitude = 90, max_latitude = -90, min_longitude = 180, max_longitude = -180;
};

// Checks what every loaded graph must satisfy; returns the node and arc count.
template <class Graph> std::string check_graph(const Graph &graph, const Bounds &bounds)
{
    const size_t nodes = graph.latitude.size();
    EXPECT_EQ(graph.first_out.size(), nodes + 1);
    EXPECT_EQ(graph.longitude.size(), nodes);
    EXPECT_TRUE(std::is_sorted(graph.first_out.begin(), graph.first_out.end()));
    EXPECT_EQ(graph.first_out.back(), graph.head.size());
    EXPECT_EQ(graph.geo_distance.size(), graph.head.size());
    EXPECT_TRUE(std::all_of(graph.head.begin(), graph.head.end(), [&](unsigned head) { return head < nodes; }));
    for (size_t x = 0; x < nodes; ++x) {
        EXPECT_TRUE(graph.latitude[x] >= bounds.min_latitude - 1e-5 && graph.latitude[x] <= bounds.max_latitude + 1e-5 &&
                    graph.longitude[x] >= bounds.min_longitude - 1e-5 &&
                    graph.longitude[x] <= bounds.max_longitude + 1e-5)
            << "node " << x << " at " << graph.latitude[x] << "," << graph.longitude[x];
    }
    return std::to_string(nodes) + " " + std::to_string(graph.head.size());
}

// The log with every duration replaced by "T".
std::string without_durations(const std::string &log)
{
    return std::regex_replace(log, std::regex("needed [0-9]+ musec"), "needed T musec");
}

class MonacoLoaders : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        const std::string path = monaco_pbf_path();
        if (path.empty())
            return;
        opl = run_command("osmium cat --no-progress -f opl,add_metadata=false " + path);
        for (const OsmElement &element : parse_opl(opl)) {
            if (element.kind != 'n')
                continue;
            bounds.min_latitude = std::min(bounds.min_latitude, element.latitude);
            bounds.max_latitude = std::max(bounds.max_latitude, element.latitude);
            bounds.min_longitude = std::min(bounds.min_longitude, element.longitude);
            bounds.max_longitude = std::max(bounds.max_longitude, element.longitude);
        }
    }
    // "nodes arcs" as the independent model counts them.
    static std::string model(const std::string &profile)
    {
        TemporaryFolder folder;
        const std::string input = folder.write("monaco.opl", opl);
        std::string counts = run_command("python3 " GRAPH_MODEL " " + profile + " < " + input);
        counts.pop_back();
        return counts;
    }

    static inline std::string opl;
    static inline Bounds bounds;
    std::string log;
    std::function<void(const std::string &)> log_message = [this](const std::string &line) { log += line + "\n"; };
};

TEST_F(MonacoLoaders, CarGraph)
{
    REQUIRE_MONACO_PBF(monaco);
    const SimpleOSMCarRoutingGraph graph = simple_load_osm_car_routing_graph_from_pbf(monaco, log_message, false, false);
    EXPECT_EQ(check_graph(graph, bounds), model("car"));
    ASSERT_EQ(graph.travel_time.size(), graph.head.size());
    for (size_t a = 0; a < graph.head.size(); ++a)
        EXPECT_GE(graph.travel_time[a] * 130ull + 130, graph.geo_distance[a] * 3600ull) << a;

    // Forbidden turns: sorted, unique, from an arc into an arc leaving its head.
    const auto &from = graph.forbidden_turn_from_arc, &to = graph.forbidden_turn_to_arc;
    ASSERT_EQ(from.size(), to.size());
    EXPECT_FALSE(from.empty());
    for (size_t i = 0; i < from.size(); ++i) {
        EXPECT_TRUE(graph.first_out[graph.head[from[i]]] <= to[i] && to[i] < graph.first_out[graph.head[from[i]] + 1]);
        if (i > 0) {
            EXPECT_LT(std::pair(from[i - 1], to[i - 1]), std::pair(from[i], to[i]));
        }
    }

    const std::string expected_start = "Scanning OSM PBF data to determine IDs\n"
                                       "Not all modelling nodes are routing nodes\n"
                                       "Finished scan, needed T musec.\n"
                                       "OSM ID range goes up to ";
    const std::string expected_graph_steps =
        "Start computing ID mappings\nFinished, needed T musec.\nScanning OSM PBF data to load routing arcs\n"
        "Finished scan, needed T musec.\nFound " + std::to_string(graph.head.size()) + " arcs.\n"
        "Start sorting arcs by tail\nFinished sorting, needed T musec.\n"
        "Start computing modelling to routing node mapping\nFinished, needed T musec.\n"
        "Start reducing geographic positions to routing nodes\nFinished, needed T musec.\nFound ";
    const std::string text = without_durations(log);
    EXPECT_EQ(text.substr(0, expected_start.size()), expected_start);
    EXPECT_NE(text.find("Found " + std::to_string(graph.latitude.size()) + " routing nodes.\n"), std::string::npos);
    EXPECT_NE(text.find(expected_graph_steps), std::string::npos) << text;
    EXPECT_NE(text.find("\nExtracted " + std::to_string(from.size()) + " forbidden turns.\n"), std::string::npos);
}

TEST_F(MonacoLoaders, PedestrianGraphIsSymmetric)
{
    REQUIRE_MONACO_PBF(monaco);
    const SimpleOSMPedestrianRoutingGraph graph =
        simple_load_osm_pedestrian_routing_graph_from_pbf(monaco, log_message, false, false);
    EXPECT_EQ(check_graph(graph, bounds), model("pedestrian"));
    std::map<std::tuple<unsigned, unsigned, unsigned>, int> balance;
    for (unsigned x = 0; x + 1 < graph.first_out.size(); ++x)
        for (unsigned a = graph.first_out[x]; a < graph.first_out[x + 1]; ++a) {
            ++balance[{x, graph.head[a], graph.geo_distance[a]}];
            --balance[{graph.head[a], x, graph.geo_distance[a]}];
        }
    EXPECT_TRUE(std::all_of(balance.begin(), balance.end(), [](const auto &entry) { return entry.second == 0; }));
    EXPECT_NE(log.find("Extracted 0 forbidden turns.\n"), std::string::npos);
}

TEST_F(MonacoLoaders, BicycleGraphAndArcsByDirection)
{
    REQUIRE_MONACO_PBF(monaco);
    const SimpleOSMBicycleRoutingGraph graph =
        simple_load_osm_bicycle_routing_graph_from_pbf(monaco, log_message, false, false);
    EXPECT_EQ(check_graph(graph, bounds), model("bicycle"));
    ASSERT_EQ(graph.arc_comfort_level.size(), graph.head.size());
    EXPECT_TRUE(std::all_of(graph.arc_comfort_level.begin(), graph.arc_comfort_level.end(),
                            [](uint8_t level) { return level <= get_max_bicycle_comfort_level(); }));

    // Each way's arcs match the direction category its tags give.
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
    std::vector<std::pair<unsigned, unsigned>> forward_and_backward(category.size());
    for (unsigned a = 0; a < full.head.size(); ++a)
        ++(full.is_arc_antiparallel_to_way[a] ? forward_and_backward[full.way[a]].second
                                              : forward_and_backward[full.way[a]].first);
    for (unsigned way = 0; way < category.size(); ++way) {
        const auto [forward, backward] = forward_and_backward[way];
        switch (category[way]) {
        case OSMWayDirectionCategory::open_in_both_directions:
            EXPECT_TRUE(forward == backward && forward > 0) << way;
            break;
        case OSMWayDirectionCategory::only_open_forwards:
            EXPECT_TRUE(forward > 0 && backward == 0) << way;
            break;
        case OSMWayDirectionCategory::only_open_backwards:
            EXPECT_TRUE(forward == 0 && backward > 0) << way;
            break;
        case OSMWayDirectionCategory::closed:
            EXPECT_EQ(forward + backward, 0u) << way;
            break;
        }
    }
}

} // namespace
