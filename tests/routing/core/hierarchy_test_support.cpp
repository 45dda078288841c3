#include "tests/routing/core/hierarchy_test_support.h"

#include "bench/jittered_grid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <numeric>
#include <queue>

using Routing::ContractionHierarchy;

namespace {

// `arcs` random arcs (loops included) among nodes first..first+n-1, and
// copies of every fifth arc, alternately with the same and another weight.
void add_random_arcs(TestGraph &graph, std::mt19937 &rng, unsigned first, unsigned n, unsigned arcs,
                     unsigned max_weight)
{
    const auto node = [&] { return first + unsigned(rng() % n); };
    const auto weight = [&] { return unsigned(rng() % (max_weight + 1)); };
    for (unsigned i = 0; i < arcs; ++i) {
        graph.add_arc(node(), node(), weight());
        if (i % 5 == 4)
            graph.add_arc(graph.tail.back(), graph.head.back(), i % 10 == 4 ? graph.weight.back() : weight());
    }
}

TestGraph random_graph(const char *name, std::mt19937 &rng, unsigned n, unsigned arcs, unsigned max_weight)
{
    TestGraph graph{name, n, {}, {}, {}};
    add_random_arcs(graph, rng, 0, n, arcs, max_weight);
    return graph;
}

TestGraph zero_weight_cycles(std::mt19937 &rng)
{
    TestGraph graph = random_graph("zero-weight cycles", rng, 25, 25, 3);
    for (unsigned start = 0; start + 4 < 25; start += 5)
        for (unsigned i = 0; i < 4; ++i)
            graph.add_arc(start + i, i == 3 ? start : start + i + 1, 0);
    return graph;
}

// Parts 0 and 2 of three: part 1 is isolated nodes.
TestGraph disconnected_parts(std::mt19937 &rng, unsigned part_size)
{
    TestGraph graph{"disconnected parts", 3 * part_size, {}, {}, {}};
    add_random_arcs(graph, rng, 0, part_size, 2 * part_size, 50);
    add_random_arcs(graph, rng, 2 * part_size, part_size, 2 * part_size, 50);
    return graph;
}

// One-way chains, the end of each joined to the middle of the next.
TestGraph one_way_chains(std::mt19937 &rng, unsigned chains, unsigned length)
{
    TestGraph graph{"one-way chains", chains * length, {}, {}, {}};
    for (unsigned c = 0; c < chains; ++c) {
        for (unsigned i = 0; i + 1 < length; ++i)
            graph.add_arc(c * length + i, c * length + i + 1, 1 + rng() % 9);
        if (c + 1 < chains)
            graph.add_arc(c * length + length - 1, (c + 1) * length + length / 2, 1 + rng() % 9);
    }
    return graph;
}

// An in-star around 0 and an out-star around leaves + 1, joined centre to centre.
TestGraph stars(std::mt19937 &rng, unsigned leaves)
{
    TestGraph graph{"stars", 2 * leaves + 2, {}, {}, {}};
    for (unsigned i = 1; i <= leaves; ++i) {
        graph.add_arc(i, 0, 1 + rng() % 20);
        graph.add_arc(leaves + 1, leaves + 1 + i, 1 + rng() % 20);
    }
    graph.add_arc(0, leaves + 1, 5);
    return graph;
}

} // namespace

TestGraph jittered_grid_graph(unsigned rows, unsigned cols, uint32_t seed)
{
    JitteredGrid grid = make_jittered_grid(rows, cols, seed);
    return {"jittered grid", grid.node_count, std::move(grid.tail), std::move(grid.head), std::move(grid.weight)};
}

std::vector<TestGraph> small_test_graphs(uint32_t seed)
{
    std::mt19937 rng(seed);
    return {{"no node", 0, {}, {}, {}},
            {"isolated nodes", 7, {}, {}, {}},
            random_graph("sparse digraph", rng, 30, 60, 20),
            random_graph("light sparse digraph", rng, 40, 45, 1),
            zero_weight_cycles(rng),
            disconnected_parts(rng, 12),
            one_way_chains(rng, 4, 9),
            stars(rng, 10),
            random_graph("dense", rng, 12, 100, 100),
            jittered_grid_graph(6, 7, seed)};
}

std::vector<TestGraph> large_test_graphs(uint32_t seed)
{
    std::mt19937 rng(seed);
    // Denser random graphs contract into huge cliques; this density stays sparse.
    TestGraph chains_and_isolated_nodes = one_way_chains(rng, 50, 100);
    chains_and_isolated_nodes.node_count += 1000;
    return {jittered_grid_graph(70, 72, seed), random_graph("sparse digraph", rng, 20000, 18000, 1000),
            std::move(chains_and_isolated_nodes)};
}

std::vector<unsigned> random_permutation(unsigned n, std::mt19937 &rng)
{
    std::vector<unsigned> permutation(n);
    std::iota(permutation.begin(), permutation.end(), 0u);
    std::shuffle(permutation.begin(), permutation.end(), rng);
    return permutation;
}

std::vector<uint64_t> dijkstra(const TestGraph &graph, const std::vector<std::pair<unsigned, unsigned>> &sources)
{
    std::vector<std::vector<std::pair<unsigned, unsigned>>> out(graph.node_count);
    for (size_t a = 0; a < graph.tail.size(); ++a)
        out[graph.tail[a]].emplace_back(graph.head[a], graph.weight[a]);

    std::vector<uint64_t> distance(graph.node_count, UINT64_MAX);
    using Entry = std::pair<uint64_t, unsigned>;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<>> queue;
    for (auto [node, initial] : sources)
        if (initial < distance[node])
            queue.emplace(distance[node] = initial, node);
    while (!queue.empty()) {
        const auto [d, x] = queue.top();
        queue.pop();
        if (d == distance[x])
            for (auto [y, w] : out[x])
                if (d + w < distance[y])
                    queue.emplace(distance[y] = d + w, y);
    }
    return distance;
}

unsigned as_query_distance(uint64_t distance)
{
    return unsigned(std::min<uint64_t>(distance, 2147483647));
}

void expect_valid_hierarchy(const ContractionHierarchy &ch, const TestGraph &graph)
{
    const unsigned n = graph.node_count;
    ASSERT_EQ(ch.rank.size(), n);
    ASSERT_EQ(ch.order.size(), n);
    for (unsigned r = 0; r < n; ++r)
        ASSERT_EQ(ch.rank[ch.order[r]], r);

    // Per arc: the input nodes it travels from and to, and its length. Filled
    // rank by rank, so a shortcut's halves, stored at its lower middle node,
    // are known before it; by induction every arc unpacks into a chain of
    // input arcs with its own ends and length.
    struct Travel
    {
        unsigned from, to, weight;
    };
    const ContractionHierarchy::Side *sides[2] = {&ch.forward, &ch.backward};
    std::vector<Travel> travel[2];
    for (int s : {0, 1}) {
        const ContractionHierarchy::Side &side = *sides[s];
        const size_t m = side.head.size();
        ASSERT_EQ(side.first_out.size(), n + 1);
        ASSERT_EQ(side.first_out.front(), 0u);
        ASSERT_EQ(side.first_out.back(), m);
        ASSERT_TRUE(side.weight.size() == m && side.is_shortcut_an_original_arc.size() == m
                    && side.shortcut_first_arc.size() == m && side.shortcut_second_arc.size() == m);
        travel[s].resize(m);
    }
    for (unsigned x = 0; x < n; ++x)
        for (int s : {0, 1}) {
            const ContractionHierarchy::Side &side = *sides[s];
            for (unsigned a = side.first_out[x]; a < side.first_out[x + 1]; ++a) {
                const unsigned y = side.head[a], first = side.shortcut_first_arc[a];
                ASSERT_GT(y, x) << "arc " << a << " points downward";
                ASSERT_TRUE(a == side.first_out[x] || y > side.head[a - 1]) << "heads not ascending at " << x;
                Travel expected = s == 0 ? Travel{ch.order[x], ch.order[y], side.weight[a]}
                                         : Travel{ch.order[y], ch.order[x], side.weight[a]};
                Travel actual{};
                if (side.is_shortcut_an_original_arc.is_set(a)) {
                    ASSERT_LT(first, graph.tail.size());
                    actual = {graph.tail[first], graph.head[first], graph.weight[first]};
                    EXPECT_EQ(side.shortcut_second_arc[a], expected.to);
                } else {
                    ASSERT_LT(first, ch.backward.first_out[x]);
                    ASSERT_LT(side.shortcut_second_arc[a], ch.forward.first_out[x]);
                    const Travel &in = travel[1][first], &out = travel[0][side.shortcut_second_arc[a]];
                    ASSERT_EQ(in.to, out.from) << "halves of arc " << a << " do not meet";
                    actual = {in.from, out.to, unsigned(std::min<uint64_t>(uint64_t(in.weight) + out.weight, ~0u))};
                }
                EXPECT_TRUE(actual.from == expected.from && actual.to == expected.to
                            && actual.weight == expected.weight)
                    << (s == 0 ? "forward" : "backward") << " arc " << a << " at rank " << x;
                travel[s][a] = expected;
            }
        }
}

void expect_hierarchy(const ContractionHierarchy &ch, const ContractionHierarchy &expected)
{
    EXPECT_EQ(ch.rank, expected.rank);
    EXPECT_EQ(ch.order, expected.order);
    for (auto [side, expected_side] : {std::pair{&ch.forward, &expected.forward}, {&ch.backward, &expected.backward}}) {
        SCOPED_TRACE(side == &ch.forward ? "forward" : "backward");
        EXPECT_EQ(side->first_out, expected_side->first_out);
        EXPECT_EQ(side->head, expected_side->head);
        EXPECT_EQ(side->weight, expected_side->weight);
        EXPECT_TRUE(side->is_shortcut_an_original_arc == expected_side->is_shortcut_an_original_arc);
        EXPECT_EQ(side->shortcut_first_arc, expected_side->shortcut_first_arc);
        EXPECT_EQ(side->shortcut_second_arc, expected_side->shortcut_second_arc);
    }
}

ContractionHierarchy build_hierarchy(const TestGraph &graph, const ContractionHierarchy::LogCallback &log,
                                     unsigned max_pop_count)
{
    return ContractionHierarchy::build(graph.node_count, graph.tail, graph.head, graph.weight, log, max_pop_count);
}
