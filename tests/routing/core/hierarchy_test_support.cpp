#include "tests/routing/core/hierarchy_test_support.h"

#include "bench/jittered_grid.h"
#include "routing/core/contraction_hierarchy_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <queue>
#include <random>
#include <sstream>

using Routing::ContractionHierarchy;

namespace {

// `arcs` random arcs (loops included), every fifth followed by a parallel
// copy, alternately of the same and another weight.
TestGraph random_graph(const char *name, std::mt19937 &rng, unsigned n, unsigned arcs, unsigned max_weight)
{
    TestGraph graph{name, n, {}, {}, {}};
    const auto node = [&] { return unsigned(rng() % n); };
    const auto weight = [&] { return unsigned(rng() % (max_weight + 1)); };
    for (unsigned i = 0; i < arcs; ++i) {
        graph.add_arc(node(), node(), weight());
        if (i % 5 == 4)
            graph.add_arc(graph.tail.back(), graph.head.back(), i % 10 == 4 ? graph.weight.back() : weight());
    }
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
    TestGraph cycles = random_graph("zero-weight cycles", rng, 25, 25, 3);
    for (unsigned start = 0; start < 25; start += 5)
        for (unsigned i = 0; i < 4; ++i)
            cycles.add_arc(start + i, i == 3 ? start : start + i + 1, 0);
    // Nodes 0–11 and 24–35 carry arcs; 12–23 are isolated.
    TestGraph parts = random_graph("disconnected parts", rng, 12, 24, 50);
    const TestGraph second_part = random_graph("", rng, 12, 24, 50);
    for (size_t a = 0; a < second_part.tail.size(); ++a)
        parts.add_arc(second_part.tail[a] + 24, second_part.head[a] + 24, second_part.weight[a]);
    parts.node_count = 36;
    // Four one-way chains of 9, the end of each joined to the middle of the next.
    TestGraph chains{"one-way chains", 36, {}, {}, {}};
    for (unsigned x = 0; x + 1 < 36; ++x)
        chains.add_arc(x, x % 9 < 8 ? x + 1 : x + 5, 1 + rng() % 9);
    // An in-star around 0 and an out-star around 11, joined centre to centre.
    TestGraph stars{"stars", 22, {0}, {11}, {5}};
    for (unsigned i = 1; i <= 10; ++i) {
        stars.add_arc(i, 0, 1 + rng() % 20);
        stars.add_arc(11, 11 + i, 1 + rng() % 20);
    }
    // Sums of these wrap around 32 bits; paths of 2147483647 or more count as unreachable.
    TestGraph huge = random_graph("huge weights", rng, 12, 40, 6);
    for (unsigned &w : huge.weight)
        w = std::vector<unsigned>{0, 1, 1u << 30, 2147483646u, 2147483647u, 2147483648u, 4294967295u}[w];
    return {{"no node", 0, {}, {}, {}},
            {"isolated nodes", 7, {}, {}, {}},
            random_graph("sparse digraph", rng, 30, 60, 20),
            random_graph("light sparse digraph", rng, 40, 45, 1),
            cycles,
            parts,
            chains,
            stars,
            random_graph("dense", rng, 12, 100, 100),
            huge,
            jittered_grid_graph(6, 7, seed)};
}

std::vector<TestGraph> large_test_graphs(uint32_t seed)
{
    std::mt19937 rng(seed);
    // Denser random graphs contract into huge cliques; this density stays sparse.
    return {jittered_grid_graph(70, 72, seed), random_graph("sparse digraph", rng, 20000, 18000, 1000)};
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
    // The self-check (tested on its own) covers ranks, array sizes and ranges.
    ASSERT_EQ(ch.rank.size(), graph.node_count);
    ASSERT_EQ(error_of([&] { Routing::check_contraction_hierarchy_for_errors(ch); }), "");

    // Per arc: the input nodes it travels from and to, and its length. Filled
    // rank by rank, so a shortcut's halves, stored at its lower middle node,
    // are known before it; by induction every arc unpacks into a chain of
    // input arcs with its own ends and length.
    using Travel = std::array<unsigned, 3>; // from, to, weight
    const ContractionHierarchy::Side *sides[2] = {&ch.forward, &ch.backward};
    std::vector<Travel> travel[2] = {std::vector<Travel>(ch.forward.head.size()),
                                     std::vector<Travel>(ch.backward.head.size())};
    for (unsigned x = 0; x < graph.node_count; ++x)
        for (int s : {0, 1})
            for (unsigned a = sides[s]->first_out[x]; a < sides[s]->first_out[x + 1]; ++a) {
                const ContractionHierarchy::Side &side = *sides[s];
                const unsigned y = side.head[a], first = side.shortcut_first_arc[a];
                ASSERT_TRUE(a == side.first_out[x] || y > side.head[a - 1]) << "heads not ascending at " << x;
                travel[s][a] = s == 0 ? Travel{ch.order[x], ch.order[y], side.weight[a]}
                                      : Travel{ch.order[y], ch.order[x], side.weight[a]};
                Travel unpacked;
                if (side.is_shortcut_an_original_arc.is_set(a)) {
                    unpacked = {graph.tail.at(first), graph.head.at(first), graph.weight.at(first)};
                    EXPECT_EQ(side.shortcut_second_arc[a], travel[s][a][1]);
                } else {
                    const Travel &in = travel[1][first], &out = travel[0][side.shortcut_second_arc[a]];
                    ASSERT_EQ(in[1], out[0]) << "halves of arc " << a << " do not meet";
                    unpacked = {in[0], out[1], unsigned(std::min<uint64_t>(uint64_t(in[2]) + out[2], ~0u))};
                }
                EXPECT_EQ(unpacked, travel[s][a]) << (s == 0 ? "forward" : "backward") << " arc " << a;
            }
}

void expect_hierarchy(const ContractionHierarchy &ch, const ContractionHierarchy &expected)
{
    EXPECT_EQ(ch.order, expected.order);
    EXPECT_EQ(file_of(ch), file_of(expected));
}

ContractionHierarchy build_hierarchy(const TestGraph &graph, const ContractionHierarchy::LogCallback &log,
                                     unsigned max_pop_count)
{
    return ContractionHierarchy::build(graph.node_count, graph.tail, graph.head, graph.weight, log, max_pop_count);
}

std::string file_of(const ContractionHierarchy &ch)
{
    std::ostringstream out;
    ch.write(out);
    return out.str();
}

std::string error_of(const std::function<void()> &action)
{
    try {
        action();
    } catch (const std::exception &error) {
        return error.what();
    }
    return "";
}
