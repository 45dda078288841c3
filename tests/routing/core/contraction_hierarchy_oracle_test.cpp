// Distances from hierarchies of every build kind and pop limit against a
// plain Dijkstra on the input graph.

#include "routing/core/contraction_hierarchy_query.h"
#include "tests/routing/core/hierarchy_test_support.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <numeric>
#include <random>

using Routing::ContractionHierarchy;
using Routing::ContractionHierarchyQuery;

namespace {

enum class BuildKind { own_order, given_rank, given_order };

ContractionHierarchy build_of_kind(BuildKind kind, const TestGraph &graph, unsigned max_pop_count, std::mt19937 &rng)
{
    switch (kind) {
    case BuildKind::own_order:
        return build_hierarchy(graph, {}, max_pop_count);
    case BuildKind::given_rank:
        return ContractionHierarchy::build_given_rank(random_permutation(graph.node_count, rng), graph.tail,
                                                      graph.head, graph.weight, {}, max_pop_count);
    case BuildKind::given_order:
        return ContractionHierarchy::build_given_order(random_permutation(graph.node_count, rng), graph.tail,
                                                       graph.head, graph.weight, {}, max_pop_count);
    }
    return {};
}

// One question with several sources and targets, each with an initial
// distance; checks the distance and that the used ends attain it.
void expect_multi_end_query_matches(const TestGraph &graph, ContractionHierarchyQuery &query, std::mt19937 &rng)
{
    if (graph.node_count == 0)
        return;
    std::vector<std::pair<unsigned, unsigned>> sources, targets;
    for (unsigned i = 0; i < 3; ++i) {
        sources.emplace_back(rng() % graph.node_count, rng() % 40);
        targets.emplace_back(rng() % graph.node_count, rng() % 40);
    }
    query.reset();
    for (auto [node, initial] : sources)
        query.add_source(node, initial);
    for (auto [node, initial] : targets)
        query.add_target(node, initial);
    query.run();

    const std::vector<uint64_t> from_sources = dijkstra(graph, sources);
    uint64_t expected = UINT64_MAX;
    for (auto [node, initial] : targets)
        if (from_sources[node] != UINT64_MAX)
            expected = std::min(expected, from_sources[node] + initial);
    ASSERT_EQ(query.get_distance(), as_query_distance(expected)) << graph.name;
    if (expected >= 2147483647) {
        EXPECT_EQ(query.get_used_source(), Routing::invalid_id);
        EXPECT_EQ(query.get_used_target(), Routing::invalid_id);
        return;
    }
    // The used pair must attain the distance with its own initial distances.
    const unsigned used_source = query.get_used_source(), used_target = query.get_used_target();
    uint64_t best_via_used = UINT64_MAX;
    for (auto [source, source_initial] : sources)
        if (source == used_source)
            for (auto [target, target_initial] : targets)
                if (target == used_target) {
                    const uint64_t path = dijkstra(graph, {{source, source_initial}})[target];
                    if (path != UINT64_MAX)
                        best_via_used = std::min(best_via_used, path + target_initial);
                }
    EXPECT_EQ(best_via_used, expected) << graph.name;
}

void expect_pairs_match(const TestGraph &graph, ContractionHierarchyQuery &query,
                        const std::vector<unsigned> &sources, unsigned targets_per_source, std::mt19937 &rng)
{
    for (unsigned s : sources) {
        const std::vector<uint64_t> expected = dijkstra(graph, {{s, 0}});
        const bool all_targets = targets_per_source >= graph.node_count;
        for (unsigned i = 0; i < (all_targets ? graph.node_count : targets_per_source); ++i) {
            const unsigned t = all_targets ? i : unsigned(rng() % graph.node_count);
            query.reset().add_source(s, 0).add_target(t, 0).run();
            ASSERT_EQ(query.get_distance(), as_query_distance(expected[t])) << graph.name << ": " << s << " -> " << t;
            const bool reachable = expected[t] < 2147483647;
            EXPECT_EQ(query.get_used_source(), reachable ? s : Routing::invalid_id);
            EXPECT_EQ(query.get_used_target(), reachable ? t : Routing::invalid_id);
        }
    }
}

} // namespace

TEST(ContractionHierarchyOracle, SmallGraphsAllPairsForEveryBuildAndPopLimit)
{
    std::mt19937 rng(17);
    for (uint32_t seed : {1u, 2u, 3u})
        for (const TestGraph &graph : small_test_graphs(seed))
            for (BuildKind kind : {BuildKind::own_order, BuildKind::given_rank, BuildKind::given_order})
                for (unsigned max_pop_count : {0u, 1u, 500u, UINT_MAX}) {
                    SCOPED_TRACE(graph.name + ", build kind " + std::to_string(int(kind)) + ", pop limit "
                                 + std::to_string(max_pop_count));
                    const ContractionHierarchy ch = build_of_kind(kind, graph, max_pop_count, rng);
                    expect_valid_hierarchy(ch, graph);
                    // One query object for every question: reuse must not leak state.
                    ContractionHierarchyQuery query(ch);
                    std::vector<unsigned> all_nodes(graph.node_count);
                    std::iota(all_nodes.begin(), all_nodes.end(), 0u);
                    expect_pairs_match(graph, query, all_nodes, graph.node_count, rng);
                    for (int i = 0; i < 5; ++i)
                        expect_multi_end_query_matches(graph, query, rng);
                }
}

TEST(ContractionHierarchyOracle, LargeGraphsSampledPairs)
{
    std::mt19937 rng(5);
    for (const TestGraph &graph : large_test_graphs(9)) {
        SCOPED_TRACE(graph.name);
        // A random rank on a large graph makes the contraction explode; the
        // order found by the first build serves the given-order build.
        const ContractionHierarchy own = build_hierarchy(graph);
        const ContractionHierarchy given = ContractionHierarchy::build_given_order(own.order, graph.tail, graph.head,
                                                                                   graph.weight, {}, 500);
        for (const ContractionHierarchy *built : {&own, &given}) {
            const ContractionHierarchy &ch = *built;
            expect_valid_hierarchy(ch, graph);
            ContractionHierarchyQuery query(ch);
            std::vector<unsigned> sources;
            for (int i = 0; i < 20; ++i)
                sources.push_back(rng() % graph.node_count);
            expect_pairs_match(graph, query, sources, 100, rng);
            for (int i = 0; i < 20; ++i)
                expect_multi_end_query_matches(graph, query, rng);
        }
    }
}

TEST(ContractionHierarchyOracle, WeightsNearAndAboveTheUnreachableDistanceNeverWrap)
{
    // Sums of these wrap around 32 bits; paths of 2147483647 or more count as unreachable.
    const unsigned weights[] = {0, 1, 1u << 30, 2147483646u, 2147483647u, 2147483648u, 4294967295u};
    std::mt19937 rng(23);
    for (int round = 0; round < 20; ++round) {
        TestGraph graph{"huge weights", 12, {}, {}, {}};
        for (int i = 0; i < 40; ++i)
            graph.add_arc(rng() % 12, rng() % 12, weights[rng() % std::size(weights)]);
        for (BuildKind kind : {BuildKind::own_order, BuildKind::given_rank, BuildKind::given_order})
            for (unsigned max_pop_count : {0u, 500u}) {
                const ContractionHierarchy ch = build_of_kind(kind, graph, max_pop_count, rng);
                expect_valid_hierarchy(ch, graph);
                ContractionHierarchyQuery query(ch);
                std::vector<unsigned> all_nodes(graph.node_count);
                std::iota(all_nodes.begin(), all_nodes.end(), 0u);
                expect_pairs_match(graph, query, all_nodes, graph.node_count, rng);
            }
    }
}
