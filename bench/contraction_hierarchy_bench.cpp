// Builds a contraction hierarchy over a jittered grid and times it against
// point-to-point queries of a plain Dijkstra on the same graph.
//
//   contraction_hierarchy_bench ROWS COLS [QUERIES] [DIJKSTRA_QUERIES]
//
// Prints build time, peak memory, arc counts and query percentiles. Add -v
// as last argument to see the build's log lines.

#include "bench/jittered_grid.h"
#include "bench/peak_memory.h"
#include "routing/core/contraction_hierarchy.h"
#include "routing/core/contraction_hierarchy_query.h"
#include "routing/core/weight.h"


#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <queue>
#include <random>
#include <string>
#include <vector>

namespace {

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Point-to-point Dijkstra that stops when the target is settled.
class PlainDijkstra
{
public:
    explicit PlainDijkstra(const JitteredGrid &grid)
        : first_out(grid.node_count + 1, 0), head(grid.head.size()), weight(grid.head.size()),
          distance(grid.node_count, Routing::inf_weight)
    {
        for (unsigned t : grid.tail)
            ++first_out[t + 1];
        for (unsigned v = 0; v < grid.node_count; ++v)
            first_out[v + 1] += first_out[v];
        std::vector<unsigned> next(first_out.begin(), first_out.end() - 1);
        for (size_t a = 0; a < grid.tail.size(); ++a) {
            head[next[grid.tail[a]]] = grid.head[a];
            weight[next[grid.tail[a]]++] = grid.weight[a];
        }
    }

    unsigned run(unsigned source, unsigned target)
    {
        for (unsigned v : touched)
            distance[v] = Routing::inf_weight;
        touched.clear();
        using Entry = std::pair<unsigned, unsigned>;
        std::priority_queue<Entry, std::vector<Entry>, std::greater<>> queue;
        distance[source] = 0;
        touched.push_back(source);
        queue.emplace(0, source);
        while (!queue.empty()) {
            const auto [d, x] = queue.top();
            queue.pop();
            if (x == target)
                return d;
            if (d != distance[x])
                continue;
            for (unsigned a = first_out[x]; a < first_out[x + 1]; ++a)
                if (d + weight[a] < distance[head[a]]) {
                    if (distance[head[a]] == Routing::inf_weight)
                        touched.push_back(head[a]);
                    distance[head[a]] = d + weight[a];
                    queue.emplace(d + weight[a], head[a]);
                }
        }
        return Routing::inf_weight;
    }

private:
    std::vector<unsigned> first_out, head, weight, distance, touched;
};

struct Percentiles
{
    double median, p99;
};

Percentiles percentiles(std::vector<double> microseconds)
{
    std::sort(microseconds.begin(), microseconds.end());
    return {microseconds[microseconds.size() / 2], microseconds[microseconds.size() * 99 / 100]};
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s ROWS COLS [QUERIES] [DIJKSTRA_QUERIES] [-v]\n", argv[0]);
        return 2;
    }
    const bool verbose = std::strcmp(argv[argc - 1], "-v") == 0;
    const int numeric_args = argc - (verbose ? 1 : 0);
    const unsigned rows = unsigned(std::atoi(argv[1])), cols = unsigned(std::atoi(argv[2]));
    const unsigned query_count = numeric_args > 3 ? unsigned(std::atoi(argv[3])) : 10000;
    const unsigned dijkstra_count = numeric_args > 4 ? unsigned(std::atoi(argv[4])) : 200;

    const JitteredGrid grid = make_jittered_grid(rows, cols, 1);
    std::printf("grid %ux%u: %u nodes, %zu arcs; peak memory before the build %ld MiB\n", rows, cols, grid.node_count,
                grid.tail.size(), peak_memory_mib());

    const Routing::ContractionHierarchy::LogCallback log =
        verbose ? Routing::ContractionHierarchy::LogCallback([](std::string line) {
            std::fprintf(stderr, "%s\n", line.c_str());
        })
                : Routing::ContractionHierarchy::LogCallback();
    const auto build_start = std::chrono::steady_clock::now();
    const Routing::ContractionHierarchy ch =
        Routing::ContractionHierarchy::build(grid.node_count, grid.tail, grid.head, grid.weight, log, 500);
    std::printf("build: %.2f s, peak memory %ld MiB, %zu forward arcs, %zu backward arcs\n", seconds_since(build_start),
                peak_memory_mib(), ch.forward.head.size(), ch.backward.head.size());

    std::mt19937 rng(7);
    std::vector<std::pair<unsigned, unsigned>> pairs(std::max(query_count, dijkstra_count));
    for (auto &[s, t] : pairs) {
        s = unsigned(rng() % grid.node_count);
        t = unsigned(rng() % grid.node_count);
    }

    Routing::ContractionHierarchyQuery query(ch);
    std::vector<double> ch_times;
    std::vector<unsigned> ch_distances;
    for (unsigned i = 0; i < query_count; ++i) {
        const auto start = std::chrono::steady_clock::now();
        query.reset().add_source(pairs[i].first, 0).add_target(pairs[i].second, 0).run();
        ch_distances.push_back(query.get_distance());
        ch_times.push_back(seconds_since(start) * 1e6);
    }
    const Percentiles ch_percentiles = percentiles(ch_times);
    std::printf("%u hierarchy queries: median %.1f us, 99th percentile %.1f us\n", query_count,
                ch_percentiles.median, ch_percentiles.p99);

    PlainDijkstra dijkstra(grid);
    std::vector<double> dijkstra_times;
    for (unsigned i = 0; i < dijkstra_count; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const unsigned distance = dijkstra.run(pairs[i].first, pairs[i].second);
        dijkstra_times.push_back(seconds_since(start) * 1e6);
        if (i < query_count && distance != ch_distances[i])
            std::printf("MISMATCH %u -> %u: hierarchy %u, Dijkstra %u\n", pairs[i].first, pairs[i].second,
                        ch_distances[i], distance);
    }
    const Percentiles dijkstra_percentiles = percentiles(dijkstra_times);
    std::printf("%u Dijkstra queries: median %.1f us, 99th percentile %.1f us; speed-up of the medians %.0f\n",
                dijkstra_count, dijkstra_percentiles.median, dijkstra_percentiles.p99,
                dijkstra_percentiles.median / ch_percentiles.median);
    return 0;
}
