#include "tests/routing/core/hierarchy_test_support.h"

#include "bench/jittered_grid.h"
#include "routing/core/constants.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <numeric>
#include <queue>

using Routing::ContractionHierarchy;

namespace {

unsigned uniform(std::mt19937 &rng, unsigned low, unsigned high)
{
    return std::uniform_int_distribution<unsigned>(low, high)(rng);
}

// m random arcs among n nodes, loops included, then copies of some arcs with
// equal and with different weights.
TestGraph sparse_digraph(std::mt19937 &rng, unsigned n, unsigned m, unsigned max_weight)
{
    TestGraph graph{"sparse digraph", n, {}, {}, {}};
    for (unsigned i = 0; i < m; ++i)
        graph.add_arc(uniform(rng, 0, n - 1), uniform(rng, 0, n - 1), uniform(rng, 0, max_weight));
    for (unsigned i = 0; i < m / 5; ++i) {
        const unsigned a = uniform(rng, 0, m - 1);
        graph.add_arc(graph.tail[a], graph.head[a], i % 2 ? graph.weight[a] : uniform(rng, 0, max_weight));
    }
    return graph;
}

TestGraph zero_weight_cycles(std::mt19937 &rng, unsigned n)
{
    TestGraph graph = sparse_digraph(rng, n, n, 3);
    graph.name = "zero-weight cycles";
    for (unsigned start = 0; start + 4 < n; start += 5)
        for (unsigned i = 0; i < 4; ++i)
            graph.add_arc(start + i, i == 3 ? start : start + i + 1, 0);
    return graph;
}

// Two separate parts with isolated nodes between them.
TestGraph disconnected_parts(std::mt19937 &rng, unsigned part_size)
{
    TestGraph graph{"disconnected parts", 3 * part_size, {}, {}, {}};
    for (unsigned part : {0u, 2u})
        for (unsigned i = 0; i < 2 * part_size; ++i)
            graph.add_arc(part * part_size + uniform(rng, 0, part_size - 1),
                          part * part_size + uniform(rng, 0, part_size - 1), uniform(rng, 1, 50));
    return graph;
}

TestGraph one_way_chains(std::mt19937 &rng, unsigned chains, unsigned length)
{
    TestGraph graph{"one-way chains", chains * length, {}, {}, {}};
    for (unsigned c = 0; c < chains; ++c)
        for (unsigned i = 0; i + 1 < length; ++i)
            graph.add_arc(c * length + i, c * length + i + 1, uniform(rng, 1, 9));
    // A few links from the end of one chain into the middle of another.
    for (unsigned c = 0; c + 1 < chains; ++c)
        graph.add_arc(c * length + length - 1, (c + 1) * length + length / 2, uniform(rng, 1, 9));
    return graph;
}

TestGraph stars(std::mt19937 &rng, unsigned leaves)
{
    TestGraph graph{"stars", 2 * leaves + 2, {}, {}, {}};
    const unsigned in_centre = 0, out_centre = leaves + 1;
    for (unsigned i = 1; i <= leaves; ++i) {
        graph.add_arc(i, in_centre, uniform(rng, 1, 20));
        graph.add_arc(out_centre, out_centre + i, uniform(rng, 1, 20));
        if (i % 3 == 0)
            graph.add_arc(in_centre, i, uniform(rng, 1, 20));
    }
    graph.add_arc(in_centre, out_centre, 5);
    return graph;
}

TestGraph dense(std::mt19937 &rng, unsigned n)
{
    TestGraph graph{"dense", n, {}, {}, {}};
    for (unsigned u = 0; u < n; ++u)
        for (unsigned w = 0; w < n; ++w)
            if (u != w && uniform(rng, 0, 9) < 7)
                graph.add_arc(u, w, uniform(rng, 1, 100));
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
    std::vector<TestGraph> graphs = {
        {"no node", 0, {}, {}, {}},
        {"isolated nodes", 7, {}, {}, {}},
        sparse_digraph(rng, 30, 70, 20),
        sparse_digraph(rng, 40, 50, 1),
        zero_weight_cycles(rng, 25),
        disconnected_parts(rng, 12),
        one_way_chains(rng, 4, 9),
        stars(rng, 10),
        dense(rng, 12),
        jittered_grid_graph(6, 7, seed),
    };
    return graphs;
}

std::vector<TestGraph> large_test_graphs(uint32_t seed)
{
    std::mt19937 rng(seed);
    // Denser random graphs contract into huge cliques; this density stays sparse.
    TestGraph sparse = sparse_digraph(rng, 20000, 22000, 1000);
    TestGraph isolated_and_chains = one_way_chains(rng, 50, 100);
    isolated_and_chains.node_count += 1000;
    return {jittered_grid_graph(70, 72, seed), std::move(sparse), std::move(isolated_and_chains)};
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
        if (initial < distance[node]) {
            distance[node] = initial;
            queue.emplace(initial, node);
        }
    while (!queue.empty()) {
        const auto [d, x] = queue.top();
        queue.pop();
        if (d != distance[x])
            continue;
        for (auto [y, w] : out[x])
            if (d + w < distance[y]) {
                distance[y] = d + w;
                queue.emplace(d + w, y);
            }
    }
    return distance;
}

unsigned as_query_distance(uint64_t distance)
{
    return unsigned(std::min<uint64_t>(distance, 2147483647));
}

namespace {

// Where an arc of a hierarchy side travels from and to in the input graph,
// and its length; filled rank by rank so that a shortcut's halves, stored at
// its lower middle node, are known before it.
struct TravelledArc
{
    unsigned from, to, weight;
};

} // namespace

void expect_valid_hierarchy(const ContractionHierarchy &ch, const TestGraph &graph)
{
    const unsigned n = graph.node_count;
    ASSERT_EQ(ch.rank.size(), n);
    ASSERT_EQ(ch.order.size(), n);
    for (unsigned r = 0; r < n; ++r)
        ASSERT_EQ(ch.rank[ch.order[r]], r) << graph.name;

    struct Checked
    {
        const ContractionHierarchy::Side &side;
        bool is_forward;
        std::vector<TravelledArc> travel;
    };
    Checked sides[2] = {{ch.forward, true, {}}, {ch.backward, false, {}}};
    for (Checked &checked : sides) {
        const ContractionHierarchy::Side &side = checked.side;
        const size_t m = side.head.size();
        ASSERT_EQ(side.first_out.size(), n + 1);
        ASSERT_EQ(side.first_out.front(), 0u);
        ASSERT_EQ(side.first_out.back(), m);
        ASSERT_EQ(side.weight.size(), m);
        ASSERT_EQ(side.is_shortcut_an_original_arc.size(), m);
        ASSERT_EQ(side.shortcut_first_arc.size(), m);
        ASSERT_EQ(side.shortcut_second_arc.size(), m);
        checked.travel.resize(m);
    }

    for (unsigned x = 0; x < n; ++x)
        for (Checked &checked : sides) {
            const ContractionHierarchy::Side &side = checked.side;
            for (unsigned a = side.first_out[x]; a < side.first_out[x + 1]; ++a) {
                const unsigned y = side.head[a];
                ASSERT_GT(y, x) << graph.name << ": arc " << a << " does not point upward";
                if (a > side.first_out[x]) {
                    ASSERT_GT(y, side.head[a - 1]) << graph.name << ": heads not ascending at rank " << x;
                }
                const unsigned from = checked.is_forward ? ch.order[x] : ch.order[y];
                const unsigned to = checked.is_forward ? ch.order[y] : ch.order[x];
                const unsigned first = side.shortcut_first_arc[a], second = side.shortcut_second_arc[a];
                if (side.is_shortcut_an_original_arc.is_set(a)) {
                    ASSERT_LT(first, graph.tail.size());
                    EXPECT_EQ(graph.tail[first], from);
                    EXPECT_EQ(graph.head[first], to);
                    EXPECT_EQ(second, to);
                    EXPECT_EQ(graph.weight[first], side.weight[a]);
                } else {
                    // Both halves lie at a lower rank, so their travel is already known.
                    ASSERT_LT(first, ch.backward.first_out[x]) << graph.name;
                    ASSERT_LT(second, ch.forward.first_out[x]) << graph.name;
                    const TravelledArc &to_middle = sides[1].travel[first], &from_middle = sides[0].travel[second];
                    EXPECT_EQ(to_middle.from, from) << graph.name;
                    EXPECT_EQ(to_middle.to, from_middle.from) << graph.name;
                    EXPECT_EQ(from_middle.to, to) << graph.name;
                    EXPECT_EQ(uint64_t(to_middle.weight) + from_middle.weight, side.weight[a]) << graph.name;
                }
                checked.travel[a] = {from, to, side.weight[a]};
            }
        }
}

ContractionHierarchy build_hierarchy(const TestGraph &graph, const ContractionHierarchy::LogCallback &log,
                                     unsigned max_pop_count)
{
    return ContractionHierarchy::build(graph.node_count, graph.tail, graph.head, graph.weight, log, max_pop_count);
}
