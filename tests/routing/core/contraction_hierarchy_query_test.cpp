#include "routing/core/contraction_hierarchy_query.h"
#include "tests/routing/core/hierarchy_test_support.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>

using Routing::ContractionHierarchy;
using Routing::ContractionHierarchyQuery;
using Routing::invalid_id;

namespace {

// 0 -> 1 -> 2 with weights 10 and 20; node 3 is cut off.
const TestGraph line{"line", 4, {0, 1}, {1, 2}, {10, 20}};

struct Expected
{
    unsigned distance, used_source, used_target;
};

void expect_answer(ContractionHierarchyQuery &query, Expected expected)
{
    query.run();
    EXPECT_EQ(query.get_distance(), expected.distance);
    EXPECT_EQ(query.get_used_source(), expected.used_source);
    EXPECT_EQ(query.get_used_target(), expected.used_target);
}

} // namespace

TEST(ContractionHierarchyQuery, SourcesAndTargetsWithInitialDistances)
{
    const ContractionHierarchy ch = build_hierarchy(line);
    ContractionHierarchyQuery query(ch);
    const unsigned inf = 2147483647;

    query.reset().add_source(1, 0).add_target(1, 0);
    expect_answer(query, {0, 1, 1});
    query.reset().add_source(0, 0).add_target(3, 0);
    expect_answer(query, {inf, invalid_id, invalid_id});
    // A node added twice keeps the smaller distance, whichever came first.
    query.reset().add_source(0, 5).add_source(0, 3).add_target(2, 0);
    expect_answer(query, {33, 0, 2});
    query.reset().add_source(0, 3).add_source(0, 5).add_target(2, 0);
    expect_answer(query, {33, 0, 2});
    // The best pair over all sources and targets, initial distances included.
    query.reset().add_source(0, 0).add_source(1, 25).add_target(1, 4).add_target(2, 0);
    expect_answer(query, {14, 0, 1});
    query.reset().add_source(0, 100).add_source(1, 25).add_target(1, 4).add_target(2, 0);
    expect_answer(query, {29, 1, 1});
}

TEST(ContractionHierarchyQuery, UnreachableInitialDistancesTakeNoPart)
{
    // Source 0 lies below node 1, which reaches it by an arc of weight 1: a
    // start at 1 whose distance wrapped around when that weight was added
    // would make 0 look reached more cheaply from above and stall it.
    const ContractionHierarchy ch =
        ContractionHierarchy::build_given_order({0, 2, 1}, {0, 1}, {2, 0}, {5, 1}, {}, 500);
    ContractionHierarchyQuery query(ch);
    for (unsigned huge : {2147483647u, 2147483648u, UINT_MAX}) {
        query.reset().add_source(0, 0).add_source(1, huge).add_target(2, 0);
        expect_answer(query, {5, 0, 2});
        query.reset().add_source(1, huge).add_target(1, 0);
        expect_answer(query, {2147483647, invalid_id, invalid_id});
        // Nor does it displace, or get added to, a usable start at the same node.
        query.reset().add_source(0, 7).add_source(0, huge).add_target(2, huge).add_target(2, 1);
        expect_answer(query, {13, 0, 2});
    }
}

TEST(ContractionHierarchyQuery, ReuseAcrossStampWrapAndRebinding)
{
    const TestGraph grid = jittered_grid_graph(5, 5, 3);
    const ContractionHierarchy small = build_hierarchy(line), large = build_hierarchy(grid);
    ContractionHierarchyQuery query(large);
    query.reset().add_source(0, 0).add_target(24, 0).run();
    const unsigned expected = query.get_distance();
    EXPECT_EQ(expected, as_query_distance(dijkstra(grid, {{0, 0}})[24]));

    // Every flag set before the stamp wraps must read as clear afterwards.
    for (int i = 0; i < 65536; ++i)
        query.reset();
    query.add_source(24, 0).add_target(0, 0).run();
    EXPECT_EQ(query.get_distance(), as_query_distance(dijkstra(grid, {{24, 0}})[0]));

    query.reset(small).add_source(0, 0).add_target(2, 0);
    expect_answer(query, {30, 0, 2});
    query.reset(large).add_source(0, 0).add_target(24, 0);
    expect_answer(query, {expected, 0, 24});
}

TEST(ContractionHierarchyQuery, ExtraWeightsSaturateAtTheirBounds)
{
    const Routing::SaturatedWeightAddition add;
    EXPECT_EQ(add(2147483640u, 7u), 2147483647u);
    EXPECT_EQ(add(2147483640u, 6u), 2147483646u);
    EXPECT_EQ(add(4294967295u, 4294967295u), 2147483647u); // beyond the range, yet no wrap
    EXPECT_EQ(add(INT_MAX, 1), INT_MAX);
    EXPECT_EQ(add(INT_MIN, -1), INT_MIN);
    EXPECT_EQ(add(INT_MAX, INT_MIN), -1);

    // Along 0 -> 1 -> 2, point to point and one to many in both directions.
    const ContractionHierarchy ch = build_hierarchy(line);
    ContractionHierarchyQuery query(ch);
    std::vector<int> node_values(4), result(1);
    const auto all_forms = [&](const std::vector<int> &values) {
        query.reset().add_source(0, 0).add_target(2, 0).run();
        const int point_to_point = query.get_extra_weight_distance(values, add);
        EXPECT_EQ(query.get_extra_weight_distance(Routing::ContractionHierarchyExtraWeight<int>().reset(ch, values, add), add),
                  point_to_point);
        query.reset().pin_targets({2}).reset_source().add_source(0, 0).run_to_pinned_targets();
        EXPECT_EQ(query.get_extra_weight_distances_to_targets(values, add, node_values, result).get_distances_to_targets(),
                  std::vector<unsigned>{30});
        EXPECT_EQ(result[0], point_to_point);
        query.reset().pin_sources({0}).reset_target().add_target(2, 0).run_to_pinned_sources();
        query.get_extra_weight_distances_to_sources(values, add, node_values, result);
        EXPECT_EQ(result[0], point_to_point);
        return point_to_point;
    };
    EXPECT_EQ(all_forms({INT_MAX, 5}), INT_MAX);
    EXPECT_EQ(all_forms({INT_MIN, -5}), INT_MIN);
    EXPECT_EQ(all_forms({-7, 3}), -4);

    // Nothing pinned: empty results and nothing written.
    unsigned untouched = 12345;
    query.reset().pin_targets({}).reset_source().add_source(0, 0).run_to_pinned_targets();
    EXPECT_TRUE(query.get_distances_to_targets().empty() && query.get_used_sources_to_targets().empty());
    query.get_distances_to_targets(&untouched).get_used_sources_to_targets(&untouched);
    EXPECT_EQ(untouched, 12345u);
}
