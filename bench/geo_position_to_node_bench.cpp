// Build and query time of the nearest-node index over random positions.
// Usage: geo_position_to_node_bench [positions] [queries]
#include "routing/core/constants.h"
#include "routing/core/geo_position_to_node.h"
#include "routing/core/timer.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

using Routing::get_micro_time;

int main(int argc, char** argv)
{
    const std::size_t n = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1000000;
    const std::size_t query_count = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 200000;

    // A metropolitan area of about 110 km by 80 km.
    std::mt19937 rng(1);
    std::uniform_real_distribution<float> latitude(49.5f, 50.5f), longitude(14.0f, 15.0f);
    std::vector<float> lat(n), lon(n);
    for (std::size_t i = 0; i < n; ++i) {
        lat[i] = latitude(rng);
        lon[i] = longitude(rng);
    }
    std::vector<float> query_lat(query_count), query_lon(query_count);
    for (std::size_t i = 0; i < query_count; ++i) {
        query_lat[i] = latitude(rng);
        query_lon[i] = longitude(rng);
    }

    std::vector<double> build_seconds;
    for (int run = 0; run < 5; ++run) {
        const int64_t start = get_micro_time();
        const Routing::GeoPositionToNode index(lat, lon);
        build_seconds.push_back((get_micro_time() - start) / 1e6);
    }
    std::sort(build_seconds.begin(), build_seconds.end());
    std::printf("positions %zu: build median %.3f s (min %.3f, max %.3f) over 5 runs\n", n, build_seconds[2],
                build_seconds[0], build_seconds[4]);

    const Routing::GeoPositionToNode index(lat, lon);
    for (float radius : {2000.0f, 50.0f}) {
        std::size_t found = 0;
        const int64_t start = get_micro_time();
        for (std::size_t i = 0; i < query_count; ++i)
            found += index.find_nearest_neighbor_within_radius(query_lat[i], query_lon[i], radius).id !=
                     Routing::invalid_id;
        const double micros = static_cast<double>(get_micro_time() - start);
        std::printf("nearest within %.0f m: %zu queries, %.2f us per query, %zu found\n", radius, query_count,
                    micros / query_count, found);
    }
    std::size_t reported = 0;
    const std::size_t all_queries = query_count / 10;
    const int64_t start = get_micro_time();
    for (std::size_t i = 0; i < all_queries; ++i)
        reported += index.find_all_nodes_within_radius(query_lat[i], query_lon[i], 200).size();
    std::printf("all within 200 m: %zu queries, %.2f us per query, %.1f nodes per query\n", all_queries,
                static_cast<double>(get_micro_time() - start) / all_queries,
                static_cast<double>(reported) / all_queries);
}
