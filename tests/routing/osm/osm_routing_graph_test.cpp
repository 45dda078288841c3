#include "routing/osm/osm_graph_builder.h"
#include "routing/osm/osm_simple.h"
#include "tests/routing/core/hierarchy_test_support.h"
#include "tests/routing/osm/pbf_test_support.h"
#include "tests/support/test_data.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <regex>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace Routing;

// Node positions on a grid: latitude 50 + y / 1000, longitude 10 + x / 1000.
const std::map<uint64_t, std::pair<double, double>> grid = {
    {1, {0, 0}},   {5, {0.5, 0.3}}, {2, {1, 0}},   {3, {1, 1}},   {4, {0, 1}},                  // square, one-ways
    {20, {10, 0}}, {21, {10, -1}},  {22, {9, 0}},  {23, {11, 0}},                               // a way through v
    {30, {20, 0}}, {31, {21, 0}},   {32, {22, 0}}, {33, {20, 2}}, {34, {21, 2}}, {35, {20.5, 0.5}}, // missing vias
    {40, {30, 0}}, {41, {31, 0}},   {42, {32, 0}}, {43, {31, 1}}, {44, {31, -1}},               // go straight
    {60, {50, 0}}, {61, {51, 0}},   {70, {60, 0}}, {71, {61, 0}}, {72, {61, 1}},                // missing node, ring
    {80, {70, 0}}, {81, {71, 0}},   {90, {80, 0}}, {91, {81, 0}}, {92, {82, 0}}, {93, {83, 0}}, {94, {84, 0}},
};

// Latitude and longitude as the graph stores them; 0 for a node missing from the file.
std::pair<float, float> position_of(uint64_t node)
{
    const auto it = grid.find(node);
    return it == grid.end() ? std::pair(0.0f, 0.0f)
                            : std::pair(static_cast<float>(50 + it->second.second / 1000),
                                        static_cast<float>(10 + it->second.first / 1000));
}

std::string graph_fixture()
{
    std::string opl;
    for (const auto &[id, position] : grid)
        opl += "n" + std::to_string(id) + " x" + std::to_string(10 + position.first / 1000) + " y" +
               std::to_string(50 + position.second / 1000) + "\n";
    const std::string r = " Thighway=residential";
    opl += "w10" + r + " Nn1,n5,n2\nw11" + r + ",oneway=yes Nn2,n3\nw12" + r + ",oneway=-1 Nn3,n4\nw13" + r + " Nn4,n1\n" +
           "w20" + r + " Nn21,n20\nw21" + r + " Nn22,n20,n23\nw30" + r + " Nn30,n31\nw31" + r + ",oneway=yes Nn31,n32\n" +
           "w32" + r + " Nn33,n34\nw33" + r + " Nn30,n35,n31\nw40" + r + " Nn40,n41,n42\nw41" + r + " Nn41,n43\n" +
           "w50 Thighway=footway Nn44,n41\nw60" + r + " Nn60,n61,n99999\nw70" + r + " Nn70,n71,n72,n70\n" +
           "w80" + r + ",oneway=reversible Nn80,n81\nw85" + r + " Nn60\nw95" + r + " Nn90,n91,n92,n93,n94\n";
    const std::pair<int, const char *> relations[] = {
        {100, "no_left_turn Mw10@from,n2@via,w11@to"},       {110, "no_left_turn Mw10@from,n2@via,w11@to"},
        {101, "no_right_turn Mw20@from,n20@via,w21@to"},     {102, "no_straight_on Mw20@from,n20@via,w21@to"},
        {103, "no_left_turn Mw30@from,w31@to"},              {104, "no_left_turn Mw30@from,w32@to"},
        {105, "no_left_turn Mw30@from,w33@to"},              {106, "only_straight_on Mw40@from,w40@to"},
        {107, "only_straight_on Mw40@from,n41@via,w40@to"},  {108, "no_left_turn Mw50@from,n41@via,w41@to"},
        {109, "only_left_turn Mw30@from,n31@via,w31@to"},
    };
    for (const auto &[id, rest] : relations)
        opl += "r" + std::to_string(id) + " Ttype=restriction,restriction=" + rest + "\n";
    return opl;
}

// The fixture's routing nodes and car ways in ascending OSM id order: index i has dense id i.
const std::vector<uint64_t> routing_nodes = {1,  2,  3,  4,  20, 21, 22, 23, 30, 31, 32, 33,
                                             34, 40, 41, 42, 43, 60, 70, 80, 81, 90, 94, 99999};
const std::vector<uint64_t> car_ways = {10, 11, 12, 13, 20, 21, 30, 31, 32, 33, 40, 41, 60, 70, 80, 95};

struct Built
{
    OSMRoutingGraph graph;
    std::vector<std::string> log;

    // "tail>head:way" in OSM ids.
    std::string arc(unsigned a) const
    {
        const auto tail = std::upper_bound(graph.first_out.begin(), graph.first_out.end(), a) - graph.first_out.begin();
        return std::to_string(routing_nodes.at(tail - 1)) + ">" + std::to_string(routing_nodes.at(graph.head[a])) +
               ":" + std::to_string(car_ways.at(graph.way[a]));
    }
    bool logged(const std::string &line) const { return std::find(log.begin(), log.end(), line) != log.end(); }

    // Every arc in graph order: "tail>head:way", f (along the way) or a (against it), metres, and the OSM ids of
    // the inner nodes kept.
    std::vector<std::string> arcs() const
    {
        std::vector<std::string> arcs;
        for (unsigned a = 0; a < graph.head.size(); ++a) {
            arcs.push_back(arc(a) + (graph.is_arc_antiparallel_to_way[a] ? " a " : " f ") +
                           std::to_string(graph.geo_distance[a]) + " inner");
            for (unsigned i = graph.first_modelling_node[a]; i < graph.first_modelling_node[a + 1]; ++i)
                for (const auto &[id, grid_position] : grid)
                    if (position_of(id) == std::pair(graph.modelling_node_latitude[i], graph.modelling_node_longitude[i]))
                        arcs.back() += " " + std::to_string(id);
        }
        return arcs;
    }
};

// The fixture's arcs with all inner nodes, sorted by tail, then head, then creation; lengths summed along the way.
const std::vector<std::string> all_arcs = {
    "1>2:10 f 98 inner 5", "1>4:13 a 111 inner", "2>1:10 a 98 inner 5", "2>3:11 f 111 inner",
    "4>1:13 f 111 inner", "4>3:12 a 71 inner", "20>21:20 a 111 inner", "20>22:21 a 71 inner",
    "20>23:21 f 71 inner", "21>20:20 f 111 inner", "22>20:21 f 71 inner", "23>20:21 a 71 inner",
    "30>31:30 f 71 inner", "30>31:33 f 132 inner 35", "31>30:30 a 71 inner", "31>30:33 a 132 inner 35",
    "31>32:31 f 71 inner", "33>34:32 f 71 inner", "34>33:32 a 71 inner", "40>41:40 f 71 inner",
    "41>40:40 a 71 inner", "41>42:40 f 71 inner", "41>43:41 f 111 inner", "42>41:40 a 71 inner",
    "43>41:41 a 111 inner", "60>99999:60 f 5641426 inner 61", "70>70:70 f 314 inner 71 72",
    "70>70:70 a 314 inner 72 71", "90>94:95 f 285 inner 91 92 93", "94>90:95 a 285 inner 93 92 91",
    "99999>60:60 a 5641426 inner 61"};

Built build_car_graph(const std::string &pbf, OSMRoadGeometry geometry, bool with_restrictions)
{
    Built built;
    const OSMRoutingIDMapping mapping = load_osm_id_mapping_from_pbf(
        pbf, {}, [](uint64_t id, const TagMap &tags) { return is_osm_way_used_by_cars(id, tags, {}); }, {}, false);
    OSMTurnRestrictionDecoder decoder = [](uint64_t id, const std::vector<OSMRelationMember> &members,
                                           const TagMap &tags, std::function<void(OSMTurnRestriction)> emit) {
        decode_osm_car_turn_restrictions(id, members, tags, std::move(emit), {});
    };
    built.graph = load_osm_routing_graph_from_pbf(
        pbf, mapping,
        [](uint64_t id, unsigned, const TagMap &tags) { return get_osm_car_direction_category(id, tags, {}); },
        with_restrictions ? decoder : nullptr, [&](const std::string &line) { built.log.push_back(line); }, false,
        geometry);
    return built;
}

TEST(OsmGraphBuilder, SmallExtractArcByArc)
{
    TemporaryFolder folder;
    const std::string pbf = opl_to_pbf(folder, "graph", graph_fixture(), "pbf");
    const Built all = build_car_graph(pbf, OSMRoadGeometry::all_modelling_nodes, false);
    const Built none = build_car_graph(pbf, OSMRoadGeometry::none, false);
    // Turn restrictions need the first and last inner node of each arc.
    const Built built = build_car_graph(pbf, OSMRoadGeometry::none, true);
    std::vector<std::string> first_and_last = all_arcs; // only way 95 has more than two inner nodes
    first_and_last[28] = "90>94:95 f 285 inner 91 93";
    first_and_last[29] = "94>90:95 a 285 inner 93 91";
    EXPECT_EQ(all.arcs(), all_arcs);
    EXPECT_EQ(built.arcs(), first_and_last);
    EXPECT_TRUE(none.graph.first_modelling_node.empty() && none.graph.head == all.graph.head);
    EXPECT_TRUE(none.graph.forbidden_turn_from_arc.empty() && none.logged("Extracted 0 forbidden turns."));
    const OSMRoutingGraph &graph = built.graph;
    ASSERT_EQ(graph.latitude.size(), routing_nodes.size());
    for (size_t i = 0; i < routing_nodes.size(); ++i)
        EXPECT_EQ(std::pair(graph.latitude[i], graph.longitude[i]), position_of(routing_nodes[i])) << routing_nodes[i];

    std::vector<std::string> turns;
    for (size_t i = 0; i < graph.forbidden_turn_from_arc.size(); ++i)
        turns.push_back(built.arc(graph.forbidden_turn_from_arc[i]) + " " + built.arc(graph.forbidden_turn_to_arc[i]));
    std::sort(turns.begin(), turns.end());
    EXPECT_EQ(turns, (std::vector<std::string>{
                         "1>2:10 2>3:11", "21>20:20 20>23:21", // no_left_turn twice; no_right_turn chosen by angle
                         "30>31:30 31>30:30", "30>31:30 31>30:33", "30>31:30 31>32:31", // only_left_turn; via derived
                         // Going straight on a two-way way forbids turning back and off, never straight on.
                         "40>41:40 41>40:40", "40>41:40 41>43:41", "42>41:40 41>42:40", "42>41:40 41>43:41"}));

    const std::string ambiguous = " is a turn restriction where it is impossible to infer the restriction without "
                                  "using the turn direction information. However, ";
    for (const std::string &line : std::vector<std::string>{
             "Found 31 arcs.", "Found 11 OSM turn restrictions.",
             "After removing restrictions with not exported ways or node only 10 restrictions remain.",
             "There were 1 go-straight turns that were expanded into 4 forbidden turns.",
             "There were 1 normal turns without via-node for which a via-node could be derived.",
             "There were 1 normal turns without via-node discarded because no potential via-node was found.",
             "There were 1 normal turns without via-node discarded because multiple potential via-node were found.",
             "Turn restriction with OSM-relation-ID \"104\" with OSM-way-from-ID \"30\" and OSM-way to-ID \"32\" does "
             "not have a via-node and their ways do not cross, ingoring restriction",
             "Turn restriction with OSM-relation-ID \"105\" with OSM-way-from-ID \"30\" and OSM-way-to-ID \"33\" does "
             "not have a via-node and there are multiple ambiguous candidates, namely OSM-node-IDs \"30\" and \"31\" "
             "(and maybe more), ingoring restriction",
             "OSM turn restriction relation ID \"102\"" + ambiguous +
                 "no restriction candidate is consistent with the turn direction. -> ignoring restriction",
             "OSM turn restriction relation ID \"107\"" + ambiguous +
                 "2 restriction candidates are consistent with the turn direction -> ignoring all candidates "
                 "restriction",
             "Extracted 9 forbidden turns."})
        EXPECT_TRUE(built.logged(line)) << line;
}

TEST(OsmGraphBuilder, SegmentLengthAndTravelTime)
{
    EXPECT_NEAR(get_osm_segment_length(50, 10, 51, 10), 111194.94, 0.01);
    EXPECT_NEAR(get_osm_segment_length(50, 10, 50, 11), 71474.20, 0.01);
    // A zero-length segment is 0, not the NaN of an acos just above 1.
    for (const float latitude : {0.0f, 43.7384f, 50.0f, 89.9f})
        EXPECT_EQ(get_osm_segment_length(latitude, 7.42f, latitude, 7.42f), 0.0) << latitude;
    // Beyond 32 bits the time saturates instead of wrapping.
    for (const auto &[metres, speed, time] : {std::tuple{1000u, 130u, 27692u}, {1193046u, 1u, 4294965600u},
                                              {1193047u, 1u, 4294967295u}, {4294967295u, 5u, 4294967295u}})
        EXPECT_EQ(get_car_travel_time(metres, speed), time) << metres;
}

TEST(OsmGraphBuilder, HostileIdsAreRejectedOrIgnored)
{
    TemporaryFolder folder;
    // A file that changed after the mapping was made: ids beyond the mapping's
    // sets count as unused, and a way stops at the first node it does not know.
    const std::string before = opl_to_pbf(folder, "before", "w5 Thighway=residential Nn1,n2,n3\n", "pbf");
    const std::string after = opl_to_pbf(folder, "after", "n1 x1 y1\nn2 x1.001 y1\nn3 x1.002 y1\nn9000000 x1 y2\n"
                                         "w5 Thighway=residential Nn1,n2,n9000000,n3\nw9000000 Thighway=primary Nn3,n1\n"
                                         "w2 Thighway=primary Nn2\n", "pbf");
    const OSMRoutingIDMapping mapping =
        load_osm_id_mapping_from_pbf(before, {}, [](uint64_t, const TagMap &) { return true; }, {}, false);
    const OSMRoutingGraph graph = load_osm_routing_graph_from_pbf(after, mapping, {}, {}, {}, false, OSMRoadGeometry::none);
    EXPECT_EQ(graph.first_out, (std::vector<unsigned>{0, 0, 0}));
    EXPECT_EQ(graph.latitude, (std::vector<float>{1, 1}));
    for (const auto &[opl, id] : {std::pair{"w5 Thighway=residential Nn1,n-2\n", "node ID -2"},
                                  {"w-5 Thighway=residential Nn1,n2\n", "way ID -5"}}) {
        const std::string pbf = opl_to_pbf(folder, "negative", opl, "pbf");
        EXPECT_EQ(error_of([&] { simple_load_osm_pedestrian_routing_graph_from_pbf(pbf, {}, false, false); }),
                  std::string("OSM ") + id + " is negative or too large; only IDs from 0 to 2^63 - 1 are supported.");
    }
}

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

TEST(MonacoLoaders, CarGraphAndLog)
{
    REQUIRE_MONACO_PBF(monaco);
    std::string log;
    const SimpleOSMCarRoutingGraph graph = simple_load_osm_car_routing_graph_from_pbf(
        monaco, [&](const std::string &line) { log += line + "\n"; }, false, false);
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

TEST(MonacoLoaders, SymmetricPedestrianGraphAndBicycleArcsByDirection)
{
    REQUIRE_MONACO_PBF(monaco);
    const SimpleOSMPedestrianRoutingGraph pedestrian =
        simple_load_osm_pedestrian_routing_graph_from_pbf(monaco, {}, false, false);
    check_graph(pedestrian, monaco, "pedestrian");
    std::map<std::tuple<unsigned, unsigned, unsigned>, int> balance;
    for (unsigned x = 0; x + 1 < pedestrian.first_out.size(); ++x)
        for (unsigned a = pedestrian.first_out[x]; a < pedestrian.first_out[x + 1]; ++a) {
            ++balance[{x, pedestrian.head[a], pedestrian.geo_distance[a]}];
            --balance[{pedestrian.head[a], x, pedestrian.geo_distance[a]}];
        }
    EXPECT_TRUE(std::all_of(balance.begin(), balance.end(), [](const auto &entry) { return entry.second == 0; }));

    const SimpleOSMBicycleRoutingGraph bicycle = simple_load_osm_bicycle_routing_graph_from_pbf(monaco, {}, false, false);
    check_graph(bicycle, monaco, "bicycle");
    EXPECT_TRUE(bicycle.arc_comfort_level.size() == bicycle.head.size() &&
                std::all_of(bicycle.arc_comfort_level.begin(), bicycle.arc_comfort_level.end(),
                            [](uint8_t level) { return level <= get_max_bicycle_comfort_level(); }));
    // Each way's arcs along and against it: some where its direction category opens it, as many each way on a
    // two-way way.
    const OSMRoutingIDMapping mapping = load_osm_id_mapping_from_pbf(
        monaco, {}, [](uint64_t id, const TagMap &tags) { return is_osm_way_used_by_bicycles(id, tags, {}); }, {}, false);
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
    using enum OSMWayDirectionCategory;
    for (unsigned way = 0; way < category.size(); ++way) {
        const bool both = category[way] == open_in_both_directions;
        EXPECT_TRUE((arcs[way][0] > 0) == (both || category[way] == only_open_forwards) &&
                    (arcs[way][1] > 0) == (both || category[way] == only_open_backwards) &&
                    (!both || arcs[way][0] == arcs[way][1])) << way;
    }
}

} // namespace
