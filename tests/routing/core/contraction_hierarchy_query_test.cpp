// Distances, used ends, paths and extra values from hierarchies of every
// build kind and pop limit against a plain Dijkstra on the input graph, and
// the cases random graphs do not reach.

#include "routing/core/contraction_hierarchy_query.h"
#include "tests/routing/core/hierarchy_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <functional>
#include <map>
#include <numeric>
#include <optional>
#include <random>
#include <sstream>

using Routing::ContractionHierarchy;
using Routing::ContractionHierarchyQuery;
using Routing::invalid_id;

namespace {

const unsigned unreachable = 2147483647;
const Routing::SaturatedWeightAddition add;
using Ends = std::map<unsigned, unsigned>; // node -> initial distance

// The three builds: own order, a random rank, a random order.
ContractionHierarchy build_of_kind(int kind, const TestGraph &graph, unsigned max_pop_count, std::mt19937 &rng)
{
    if (kind == 0)
        return build_hierarchy(graph, {}, max_pop_count);
    std::vector<unsigned> permutation(graph.node_count);
    std::iota(permutation.begin(), permutation.end(), 0u);
    std::shuffle(permutation.begin(), permutation.end(), rng);
    const auto build = kind == 1 ? &ContractionHierarchy::build_given_rank : &ContractionHierarchy::build_given_order;
    return build(std::move(permutation), graph.tail, graph.head, graph.weight, {}, max_pop_count);
}

using StoredWeights = Routing::ContractionHierarchyExtraWeight<unsigned>;

// The smallest exact length from or to one of the ends, initial distances included.
uint64_t best_of(const Ends &ends, const std::function<uint64_t(unsigned)> &length)
{
    uint64_t best = UINT64_MAX;
    for (auto [node, initial] : ends)
        if (length(node) != UINT64_MAX)
            best = std::min(best, length(node) + initial);
    return best;
}

// One question: the distance against Dijkstra from the sources
// (`from_sources`), and the paths along input arcs that join the used ends
// with the length that the distance leaves for them, also as extra values.
void expect_question_matches(const TestGraph &graph, ContractionHierarchyQuery &query, const StoredWeights &stored,
                             const Ends &sources, const Ends &targets, const std::vector<uint64_t> &from_sources)
{
    // Every end goes in three times, the smallest distance in the middle: it
    // must be the one that counts. Starts at 2147483647 or more, here also at
    // the next node, take no part: a wrapping sum would make them look near.
    const unsigned n = graph.node_count, huge[] = {unreachable, 2147483648u, UINT_MAX};
    query.reset();
    for (auto [node, initial] : sources)
        query.add_source(node, initial + 1).add_source(node, initial).add_source(node, initial + 2)
            .add_source(node, huge[node % 3]).add_source((node + 1) % n, huge[(node + 1) % 3]);
    for (auto [node, initial] : targets)
        query.add_target(node, initial + 2).add_target(node, huge[node % 3]).add_target(node, initial)
            .add_target(node, initial + 1).add_target((node + 1) % n, huge[(node + 1) % 3]);
    query.run();
    const uint64_t expected = best_of(targets, [&](unsigned t) { return from_sources[t]; });
    ASSERT_EQ(query.get_distance(), as_query_distance(expected));

    const std::vector<unsigned> arcs = query.get_arc_path(), nodes = query.get_node_path();
    const unsigned s = query.get_used_source(), t = query.get_used_target();
    if (expected >= unreachable) {
        EXPECT_TRUE(s == invalid_id && t == invalid_id && arcs.empty() && nodes.empty());
        EXPECT_EQ(query.get_extra_weight_distance(stored, add), 0u);
        return;
    }
    ASSERT_TRUE(sources.count(s) && targets.count(t));
    ASSERT_EQ(nodes.size(), arcs.size() + 1);
    EXPECT_TRUE(nodes.front() == s && nodes.back() == t);
    uint64_t length = 0;
    for (size_t i = 0; i < arcs.size(); ++i) {
        ASSERT_LT(arcs[i], graph.tail.size());
        ASSERT_TRUE(graph.tail[arcs[i]] == nodes[i] && graph.head[arcs[i]] == nodes[i + 1]) << "path breaks at " << i;
        length += graph.weight[arcs[i]];
    }
    EXPECT_EQ(sources.at(s) + length + targets.at(t), expected);
    EXPECT_EQ(query.get_extra_weight_distance(graph.weight, add), length);
    EXPECT_EQ(query.get_extra_weight_distance(stored, add), length);
}

// All pairs on small graphs, 20 sources to 100 targets each on large ones,
// then questions with three sources and three targets at initial distances.
void expect_queries_match(const TestGraph &graph, const ContractionHierarchy &ch, ContractionHierarchyQuery &query,
                          std::mt19937 &rng)
{
    query.reset(ch);
    const StoredWeights stored = StoredWeights().reset(ch, graph.weight, add);
    const unsigned n = graph.node_count;
    const bool all_pairs = n <= 100;
    for (unsigned i = 0; i < (all_pairs ? n : 20); ++i) {
        const unsigned s = all_pairs ? i : unsigned(rng() % n);
        const std::vector<uint64_t> from_source = dijkstra(graph, {{s, 0}});
        for (unsigned j = 0; j < (all_pairs ? n : 100); ++j)
            expect_question_matches(graph, query, stored, {{s, 0}}, {{all_pairs ? j : unsigned(rng() % n), 0}},
                                    from_source);
    }
    for (int question = 0; question < 10 && n > 0; ++question) {
        Ends sources, targets;
        for (int i = 0; i < 3; ++i) {
            sources.emplace(rng() % n, rng() % 40);
            targets.emplace(rng() % n, rng() % 40);
        }
        const std::vector<uint64_t> from_sources = dijkstra(graph, {sources.begin(), sources.end()});
        expect_question_matches(graph, query, stored, sources, targets, from_sources);
    }
}

// One-to-many runs with every node pinned twice (more entries than nodes), in
// both directions, against Dijkstra, with the input weights as extra values.
void expect_one_to_many_matches(const TestGraph &graph, const ContractionHierarchy &ch,
                                ContractionHierarchyQuery &query, std::mt19937 &rng)
{
    const unsigned n = graph.node_count;
    std::vector<std::vector<uint64_t>> between(n);
    std::vector<unsigned> pinned(2 * n), node_values(n), extra(2 * n), distances, used;
    for (unsigned i = 0; i < 2 * n; ++i)
        pinned[i] = i % n;
    for (unsigned x = 0; x < n; ++x)
        between[x] = dijkstra(graph, {{x, 0}});
    const StoredWeights stored = StoredWeights().reset(ch, graph.weight, add);
    for (bool to_targets : {true, false}) {
        to_targets ? query.reset(ch).pin_targets(pinned) : query.reset(ch).pin_sources(pinned);
        for (int round = 0; round < 3 && n > 0; ++round) {
            Ends starts;
            for (int i = 0; i <= round; ++i)
                starts.emplace(rng() % n, rng() % 40);
            to_targets ? query.reset_source() : query.reset_target();
            for (auto [node, d] : starts)
                to_targets ? query.add_source(node, d) : query.add_target(node, d);
            if (to_targets) {
                distances = query.run_to_pinned_targets().get_distances_to_targets();
                used = query.get_used_sources_to_targets();
                query.get_extra_weight_distances_to_targets(stored, add, node_values, extra);
            } else {
                distances = query.run_to_pinned_sources().get_distances_to_sources();
                used = query.get_used_targets_to_sources();
                query.get_extra_weight_distances_to_sources(graph.weight, add, node_values, extra);
            }
            for (size_t i = 0; i < pinned.size(); ++i) {
                const auto length = [&](unsigned end) {
                    return to_targets ? between[end][pinned[i]] : between[pinned[i]][end];
                };
                const uint64_t expected = best_of(starts, length);
                ASSERT_EQ(distances[i], as_query_distance(expected)) << "pinned " << pinned[i];
                if (expected >= unreachable) {
                    EXPECT_TRUE(used[i] == invalid_id && extra[i] == 0) << "pinned " << pinned[i];
                } else {
                    ASSERT_TRUE(starts.count(used[i]));
                    EXPECT_EQ(length(used[i]) + starts[used[i]], expected);
                    EXPECT_EQ(extra[i] + starts[used[i]], expected);
                }
            }
        }
    }
}

// Extra values of every hierarchy arc computed on demand equal the stored
// ones, with int values near both bounds, whose clamped sums differ when a
// shortcut's halves are linked in another grouping.
void expect_on_demand_extra_weights_match_stored(const ContractionHierarchy &ch, unsigned input_arc_count,
                                                 std::mt19937 &rng)
{
    std::vector<int> values(input_arc_count);
    for (int &value : values)
        value = std::array{INT_MIN, INT_MIN + 3, -1, 0, 2, INT_MAX - 5, INT_MAX}[rng() % 7];
    const auto stored = Routing::ContractionHierarchyExtraWeight<int>().reset(ch, values, add);
    const Routing::detail::ShortcutWeights<std::vector<int>, Routing::SaturatedWeightAddition> on_demand(ch, values,
                                                                                                     add);
    for (unsigned a = 0; a < stored.forward.size(); ++a)
        ASSERT_EQ(on_demand.get_forward_weight(a), stored.forward[a]) << "forward arc " << a;
    for (unsigned a = 0; a < stored.backward.size(); ++a)
        ASSERT_EQ(on_demand.get_backward_weight(a), stored.backward[a]) << "backward arc " << a;
}

} // namespace

TEST(ContractionHierarchyQuery, SmallGraphsAllPairsForEveryBuildAndPopLimit)
{
    std::mt19937 rng(17);
    // One query rebound to every hierarchy, of the same size or not: no state may leak.
    std::optional<ContractionHierarchyQuery> query;
    for (uint32_t seed : {1u, 2u, 3u})
        for (const TestGraph &graph : small_test_graphs(seed))
            for (int kind : {0, 1, 2})
                for (unsigned max_pop_count : {0u, 1u, 500u, UINT_MAX}) {
                    SCOPED_TRACE(graph.name + ", build kind " + std::to_string(kind) + ", pop limit "
                                 + std::to_string(max_pop_count));
                    const ContractionHierarchy ch = build_of_kind(kind, graph, max_pop_count, rng);
                    expect_valid_hierarchy(ch, graph);
                    query ? query->reset(ch) : query.emplace(ch);
                    expect_queries_match(graph, ch, *query, rng);
                    expect_on_demand_extra_weights_match_stored(ch, unsigned(graph.tail.size()), rng);
                    std::istringstream file(file_of(ch));
                    expect_one_to_many_matches(graph, ContractionHierarchy::read(file), *query, rng);
                }
}

TEST(ContractionHierarchyQuery, LargeGraphsSampledPairs)
{
    std::mt19937 rng(5);
    for (const TestGraph &graph : large_test_graphs(9)) {
        SCOPED_TRACE(graph.name);
        const ContractionHierarchy ch = build_hierarchy(graph);
        expect_valid_hierarchy(ch, graph);
        ContractionHierarchyQuery query(ch);
        expect_queries_match(graph, ch, query, rng);
    }
}

// A chain 0 -> 1 -> ... -> n-1 contracted from node 1 onward: the one arc
// left at 0, to n-1, is a shortcut whose first half is the shortcut to n-2,
// and so on down to the first input arc, nested n-2 deep. Paths and extra
// values expand it on the main thread's stack.
TEST(ContractionHierarchyQuery, ShortcutsNestedAsDeepAsTheChainIsLongExpand)
{
    const unsigned n = 300000;
    std::vector<unsigned> tail(n - 1), head(n - 1), order(n), nodes(n);
    std::iota(tail.begin(), tail.end(), 0u);
    std::iota(head.begin(), head.end(), 1u);
    std::iota(order.begin(), order.end() - 2, 1u);
    order[n - 2] = 0;
    order[n - 1] = n - 1;
    std::iota(nodes.begin(), nodes.end(), 0u);
    const std::vector<unsigned> weight(n - 1, 1);
    const ContractionHierarchy ch = ContractionHierarchy::build_given_order(order, tail, head, weight, {}, 500);
    ASSERT_EQ(ch.forward.first_out[n - 1] - ch.forward.first_out[n - 2], 1u);

    ContractionHierarchyQuery query(ch);
    query.reset().add_source(0, 0).add_target(n - 1, 0).run();
    ASSERT_EQ(query.get_distance(), n - 1);
    EXPECT_EQ(query.get_node_path(), nodes);
    nodes.pop_back(); // arc i runs from node i to node i+1
    EXPECT_EQ(query.get_arc_path(), nodes);
    EXPECT_EQ(query.get_extra_weight_distance(weight, add), n - 1);
    std::vector<unsigned> node_values(n), extra(1);
    query.reset().pin_targets({n - 1}).reset_source().add_source(0, 0).run_to_pinned_targets();
    query.get_extra_weight_distances_to_targets(weight, add, node_values, extra);
    EXPECT_EQ(extra, std::vector<unsigned>{n - 1});
}

TEST(ContractionHierarchyQuery, ExtraWeightsSaturateAtTheirBounds)
{
    EXPECT_EQ(add(2147483640u, 7u), 2147483647u);
    EXPECT_EQ(add(4294967295u, 4294967295u), 2147483647u); // beyond the range, yet no wrap
    EXPECT_EQ(add(INT_MAX, INT_MIN), -1);

    // Along 0 -> 1 -> 2 -> 3, point to point and one to many in both
    // directions: with 1 on top, the searches meet there after one forward
    // and two backward arcs; with 1 and 2 contracted first, shortcuts bypass them.
    for (std::vector<unsigned> order : {std::vector<unsigned>{0, 3, 2, 1}, {1, 2, 0, 3}}) {
        const ContractionHierarchy ch =
            ContractionHierarchy::build_given_order(order, {0, 1, 2}, {1, 2, 3}, {10, 20, 30}, {}, 500);
        ContractionHierarchyQuery query(ch);
        std::vector<int> node_values(4), to_target(1), to_source(1);
        for (const auto &[values, sum] : {std::pair<std::vector<int>, int>{{5, INT_MAX, 5}, INT_MAX},
                                          {{-5, INT_MIN, -5}, INT_MIN},
                                          {{-7, 3, 1}, -3}}) {
            query.reset().add_source(0, 0).add_target(3, 0).run();
            EXPECT_EQ(query.get_extra_weight_distance(values, add), sum);
            const auto stored = Routing::ContractionHierarchyExtraWeight<int>().reset(ch, values, add);
            EXPECT_EQ(query.get_extra_weight_distance(stored, add), sum);
            query.reset().pin_targets({3}).reset_source().add_source(0, 0).run_to_pinned_targets();
            query.get_extra_weight_distances_to_targets(values, add, node_values, to_target);
            query.reset().pin_sources({0}).reset_target().add_target(3, 0).run_to_pinned_sources();
            query.get_extra_weight_distances_to_sources(values, add, node_values, to_source);
            EXPECT_EQ(to_target, std::vector<int>{sum});
            EXPECT_EQ(to_source, std::vector<int>{sum});
        }
    }

    // Nothing pinned: empty results and nothing written.
    const ContractionHierarchy two_nodes = build_hierarchy({"two nodes", 2, {}, {}, {}});
    ContractionHierarchyQuery query(two_nodes);
    unsigned untouched = 12345;
    query.reset().pin_targets({}).reset_source().add_source(0, 0).run_to_pinned_targets();
    EXPECT_TRUE(query.get_distances_to_targets().empty() && query.get_used_sources_to_targets().empty());
    query.get_distances_to_targets(&untouched).get_used_sources_to_targets(&untouched);
    EXPECT_EQ(untouched, 12345u);
}
