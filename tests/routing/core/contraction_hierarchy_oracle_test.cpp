// Distances from hierarchies of every build kind and pop limit against a
// plain Dijkstra on the input graph.

#include "routing/core/contraction_hierarchy_query.h"
#include "tests/routing/core/hierarchy_test_support.h"

#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <random>

using Routing::ContractionHierarchy;
using Routing::ContractionHierarchyQuery;

namespace {

// The three builds: own order, a random rank, a random order.
ContractionHierarchy build_of_kind(int kind, const TestGraph &graph, unsigned max_pop_count, std::mt19937 &rng)
{
    if (kind == 0)
        return build_hierarchy(graph, {}, max_pop_count);
    auto permutation = random_permutation(graph.node_count, rng);
    const auto build = kind == 1 ? &ContractionHierarchy::build_given_rank : &ContractionHierarchy::build_given_order;
    return build(std::move(permutation), graph.tail, graph.head, graph.weight, {}, max_pop_count);
}

// One question per source in `sources` to `targets_per_source` random targets
// (every node when that is the node count), then questions with three
// sources and three targets at random initial distances.
void expect_queries_match(const TestGraph &graph, const ContractionHierarchy &ch, const std::vector<unsigned> &sources,
                          unsigned targets_per_source, std::mt19937 &rng)
{
    ContractionHierarchyQuery query(ch); // reused: no state may leak between questions
    for (unsigned s : sources) {
        const std::vector<uint64_t> expected = dijkstra(graph, {{s, 0}});
        for (unsigned i = 0; i < targets_per_source; ++i) {
            const unsigned t = targets_per_source == graph.node_count ? i : unsigned(rng() % graph.node_count);
            query.reset().add_source(s, 0).add_target(t, 0).run();
            ASSERT_EQ(query.get_distance(), as_query_distance(expected[t])) << s << " -> " << t;
            const bool reachable = expected[t] < 2147483647;
            EXPECT_EQ(query.get_used_source(), reachable ? s : Routing::invalid_id);
            EXPECT_EQ(query.get_used_target(), reachable ? t : Routing::invalid_id);
        }
    }
    for (int question = 0; question < 10 && graph.node_count > 0; ++question) {
        std::map<unsigned, unsigned> source_initial, target_initial;
        for (int i = 0; i < 3; ++i) {
            source_initial.emplace(rng() % graph.node_count, rng() % 40);
            target_initial.emplace(rng() % graph.node_count, rng() % 40);
        }
        query.reset();
        for (auto [node, initial] : source_initial)
            query.add_source(node, initial);
        for (auto [node, initial] : target_initial)
            query.add_target(node, initial);
        query.run();

        const auto from_sources = dijkstra(graph, {source_initial.begin(), source_initial.end()});
        uint64_t expected = UINT64_MAX;
        for (auto [node, initial] : target_initial)
            expected = std::min(expected, from_sources[node] == UINT64_MAX ? UINT64_MAX : from_sources[node] + initial);
        ASSERT_EQ(query.get_distance(), as_query_distance(expected));
        if (expected >= 2147483647) {
            EXPECT_EQ(query.get_used_source(), Routing::invalid_id);
            EXPECT_EQ(query.get_used_target(), Routing::invalid_id);
        } else { // the used pair attains the distance with its own initial distances
            const unsigned s = query.get_used_source(), t = query.get_used_target();
            ASSERT_TRUE(source_initial.count(s) && target_initial.count(t));
            EXPECT_EQ(dijkstra(graph, {{s, source_initial[s]}})[t] + target_initial[t], expected);
        }
    }
}

std::vector<unsigned> all_nodes(const TestGraph &graph)
{
    std::vector<unsigned> nodes(graph.node_count);
    std::iota(nodes.begin(), nodes.end(), 0u);
    return nodes;
}

} // namespace

TEST(ContractionHierarchyOracle, SmallGraphsAllPairsForEveryBuildAndPopLimit)
{
    std::mt19937 rng(17);
    for (uint32_t seed : {1u, 2u, 3u})
        for (const TestGraph &graph : small_test_graphs(seed))
            for (int kind : {0, 1, 2})
                for (unsigned max_pop_count : {0u, 1u, 500u, UINT_MAX}) {
                    SCOPED_TRACE(graph.name + ", build kind " + std::to_string(kind) + ", pop limit "
                                 + std::to_string(max_pop_count));
                    const ContractionHierarchy ch = build_of_kind(kind, graph, max_pop_count, rng);
                    expect_valid_hierarchy(ch, graph);
                    expect_queries_match(graph, ch, all_nodes(graph), graph.node_count, rng);
                }
}

TEST(ContractionHierarchyOracle, LargeGraphsSampledPairs)
{
    std::mt19937 rng(5);
    for (const TestGraph &graph : large_test_graphs(9)) {
        SCOPED_TRACE(graph.name);
        // A random rank would make these contract into huge cliques; the
        // given-order build takes the order of the first build instead.
        const ContractionHierarchy own = build_hierarchy(graph);
        for (const ContractionHierarchy &ch :
             {own, ContractionHierarchy::build_given_order(own.order, graph.tail, graph.head, graph.weight, {}, 500)}) {
            expect_valid_hierarchy(ch, graph);
            std::vector<unsigned> sources;
            for (int i = 0; i < 20; ++i)
                sources.push_back(rng() % graph.node_count);
            expect_queries_match(graph, ch, sources, 100, rng);
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
        for (int kind : {0, 1, 2})
            for (unsigned max_pop_count : {0u, 500u}) {
                const ContractionHierarchy ch = build_of_kind(kind, graph, max_pop_count, rng);
                expect_valid_hierarchy(ch, graph);
                expect_queries_match(graph, ch, all_nodes(graph), graph.node_count, rng);
            }
    }
}
