#ifndef TESTS_ROUTING_CORE_HIERARCHY_TEST_SUPPORT_H
#define TESTS_ROUTING_CORE_HIERARCHY_TEST_SUPPORT_H

// Shared by the contraction hierarchy tests: random graph families, a plain
// Dijkstra as the oracle, and checks of built hierarchies that do not trust
// the hierarchy's own code.

#include "routing/core/contraction_hierarchy.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

struct TestGraph
{
    std::string name;
    unsigned node_count = 0;
    std::vector<unsigned> tail, head, weight;

    void add_arc(unsigned from, unsigned to, unsigned length)
    {
        tail.push_back(from);
        head.push_back(to);
        weight.push_back(length);
    }
};

// Small graphs of every family, for all-pairs comparisons; graphs of 5 000 to
// 50 000 nodes, for sampled comparisons.
std::vector<TestGraph> small_test_graphs(uint32_t seed);
std::vector<TestGraph> large_test_graphs(uint32_t seed);
TestGraph jittered_grid_graph(unsigned rows, unsigned cols, uint32_t seed);

// Shortest distances from several sources with initial distances, exact in
// 64 bits; UINT64_MAX for unreachable nodes.
std::vector<uint64_t> dijkstra(const TestGraph &graph, const std::vector<std::pair<unsigned, unsigned>> &sources);
// What a hierarchy query reports for an exact distance: 2147483647 from there on.
unsigned as_query_distance(uint64_t distance);

// The self-check agrees, heads ascend per node, and every arc unpacks into a
// chain of input arcs of its own length and ends.
void expect_valid_hierarchy(const Routing::ContractionHierarchy &ch, const TestGraph &graph);
// Every array equal: the order, and the rest through the file bytes.
void expect_hierarchy(const Routing::ContractionHierarchy &ch, const Routing::ContractionHierarchy &expected);

Routing::ContractionHierarchy build_hierarchy(const TestGraph &graph,
                                              const Routing::ContractionHierarchy::LogCallback &log = {},
                                              unsigned max_pop_count = 500);
std::string file_of(const Routing::ContractionHierarchy &ch);
// The message of what `action` throws, or "" when it returns.
std::string error_of(const std::function<void()> &action);

#endif
