// Distances from hierarchies of every build kind and pop limit against a
// plain Dijkstra on the input graph.

#include "routing/core/contraction_hierarchy_extra_weight.h"
#include "routing/core/contraction_hierarchy_query.h"
#include "tests/routing/core/hierarchy_test_support.h"

#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <random>
#include <sstream>

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

// Small signed values per input arc, also stored per hierarchy arc.
struct ExtraValues
{
    ExtraValues(const TestGraph &graph, const ContractionHierarchy &ch, std::mt19937 &rng)
    {
        for (size_t a = 0; a < graph.tail.size(); ++a)
            input.push_back(int(rng() % 101) - 50);
        stored.reset(ch, input, Routing::SaturatedWeightAddition());
    }
    std::vector<int> input;
    Routing::ContractionHierarchyExtraWeight<int> stored;
};

using Ends = std::map<unsigned, unsigned>; // node -> initial distance

// One question: the distance against Dijkstra from the sources
// (`from_sources`), and the paths and extra values along input arcs that
// join the used ends with the length that the distance leaves for them.
void expect_question_matches(const TestGraph &graph, ContractionHierarchyQuery &query, const ExtraValues &extra,
                             const Ends &sources, const Ends &targets, const std::vector<uint64_t> &from_sources)
{
    query.reset();
    for (auto [node, initial] : sources)
        query.add_source(node, initial);
    for (auto [node, initial] : targets)
        query.add_target(node, initial);
    query.run();
    uint64_t expected = UINT64_MAX;
    for (auto [node, initial] : targets)
        if (from_sources[node] != UINT64_MAX)
            expected = std::min(expected, from_sources[node] + initial);
    ASSERT_EQ(query.get_distance(), as_query_distance(expected));

    const Routing::SaturatedWeightAddition add;
    const std::vector<unsigned> arcs = query.get_arc_path(), nodes = query.get_node_path();
    const unsigned s = query.get_used_source(), t = query.get_used_target();
    if (expected >= 2147483647) {
        EXPECT_TRUE(s == Routing::invalid_id && t == Routing::invalid_id && arcs.empty() && nodes.empty());
        EXPECT_EQ(query.get_extra_weight_distance(extra.stored, add), 0);
        return;
    }
    ASSERT_TRUE(sources.count(s) && targets.count(t));
    ASSERT_EQ(nodes.size(), arcs.size() + 1);
    EXPECT_TRUE(nodes.front() == s && nodes.back() == t);
    uint64_t length = 0;
    int extra_sum = 0;
    for (size_t i = 0; i < arcs.size(); ++i) {
        ASSERT_LT(arcs[i], graph.tail.size());
        ASSERT_TRUE(graph.tail[arcs[i]] == nodes[i] && graph.head[arcs[i]] == nodes[i + 1]) << "path breaks at " << i;
        length += graph.weight[arcs[i]];
        extra_sum += extra.input[arcs[i]];
    }
    EXPECT_EQ(sources.at(s) + length + targets.at(t), expected);
    EXPECT_EQ(query.get_extra_weight_distance(graph.weight, add), length);
    EXPECT_EQ(query.get_extra_weight_distance(extra.input, add), extra_sum);
    EXPECT_EQ(query.get_extra_weight_distance(extra.stored, add), extra_sum);
}

// Questions from each of `sources` to `targets_per_source` random targets
// (every node when that is the node count), then questions with three
// sources and three targets at random initial distances.
void expect_queries_match(const TestGraph &graph, const ContractionHierarchy &ch, const std::vector<unsigned> &sources,
                          unsigned targets_per_source, std::mt19937 &rng)
{
    ContractionHierarchyQuery query(ch); // reused: no state may leak between questions
    const ExtraValues extra(graph, ch, rng);
    for (unsigned s : sources) {
        const std::vector<uint64_t> from_source = dijkstra(graph, {{s, 0}});
        for (unsigned i = 0; i < targets_per_source; ++i) {
            const unsigned t = targets_per_source == graph.node_count ? i : unsigned(rng() % graph.node_count);
            expect_question_matches(graph, query, extra, {{s, 0}}, {{t, 0}}, from_source);
        }
    }
    for (int question = 0; question < 10 && graph.node_count > 0; ++question) {
        Ends sources_at, targets_at;
        for (int i = 0; i < 3; ++i) {
            sources_at.emplace(rng() % graph.node_count, rng() % 40);
            targets_at.emplace(rng() % graph.node_count, rng() % 40);
        }
        expect_question_matches(graph, query, extra, sources_at, targets_at,
                                dijkstra(graph, {sources_at.begin(), sources_at.end()}));
    }
}

// A hierarchy read back from its own file.
ContractionHierarchy round_trip(const ContractionHierarchy &ch)
{
    std::stringstream file;
    ch.write(file);
    return ContractionHierarchy::read(file);
}

// One-to-many runs on `many` (pinning every node twice: more entries than
// nodes) against point-to-point questions on `ch`, in both directions, with
// the extra values of the input weights along the paths found.
void expect_one_to_many_matches(const TestGraph &graph, const ContractionHierarchy &ch,
                                const ContractionHierarchy &many, std::mt19937 &rng)
{
    const unsigned n = graph.node_count;
    std::vector<unsigned> pinned(2 * n);
    for (unsigned i = 0; i < 2 * n; ++i)
        pinned[i] = i % n;
    const Routing::SaturatedWeightAddition add;
    const auto stored = Routing::ContractionHierarchyExtraWeight<unsigned>().reset(many, graph.weight, add);
    ContractionHierarchyQuery one_to_many(many), single(ch);
    std::vector<unsigned> node_values(n), extra(pinned.size());
    for (bool to_targets : {true, false}) {
        one_to_many.reset();
        to_targets ? one_to_many.pin_targets(pinned) : one_to_many.pin_sources(pinned);
        for (int round = 0; round < 3 && n > 0; ++round) {
            Ends initial;
            for (int i = 0; i <= round; ++i)
                initial.emplace(rng() % n, rng() % 40);
            std::vector<unsigned> distances, used;
            if (to_targets) {
                one_to_many.reset_source();
                for (auto [node, d] : initial)
                    one_to_many.add_source(node, d);
                distances = one_to_many.run_to_pinned_targets().get_distances_to_targets();
                used = one_to_many.get_used_sources_to_targets();
                one_to_many.get_extra_weight_distances_to_targets(stored, add, node_values, extra);
            } else {
                one_to_many.reset_target();
                for (auto [node, d] : initial)
                    one_to_many.add_target(node, d);
                distances = one_to_many.run_to_pinned_sources().get_distances_to_sources();
                used = one_to_many.get_used_targets_to_sources();
                one_to_many.get_extra_weight_distances_to_sources(graph.weight, add, node_values, extra);
            }
            for (size_t i = 0; i < pinned.size(); ++i) {
                single.reset();
                for (auto [node, d] : initial)
                    to_targets ? single.add_source(node, d) : single.add_target(node, d);
                to_targets ? single.add_target(pinned[i], 0) : single.add_source(pinned[i], 0);
                ASSERT_EQ(distances[i], single.run().get_distance()) << pinned[i];
                if (distances[i] == 2147483647) {
                    EXPECT_EQ(used[i], Routing::invalid_id);
                    EXPECT_EQ(extra[i], 0u);
                } else {
                    ASSERT_TRUE(initial.count(used[i]));
                    const unsigned from = to_targets ? used[i] : pinned[i], to = to_targets ? pinned[i] : used[i];
                    EXPECT_EQ(dijkstra(graph, {{from, 0}})[to] + initial[used[i]], distances[i]);
                    EXPECT_EQ(extra[i] + initial[used[i]], distances[i]);
                }
            }
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
                    expect_one_to_many_matches(graph, ch, round_trip(ch), rng);
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
                expect_one_to_many_matches(graph, ch, ch, rng);
            }
    }
}
