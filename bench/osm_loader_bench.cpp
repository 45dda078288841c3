// Time of one simple loader over an extract; run under /usr/bin/time -v for
// the peak memory.
//
//   osm_loader_bench car|pedestrian|bicycle FILE.osm.pbf
#include "routing/core/timer.h"
#include "routing/osm/osm_simple.h"

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s car|pedestrian|bicycle FILE.osm.pbf\n", argv[0]);
        return 2;
    }
    const std::string profile = argv[1], file = argv[2];
    // Step lines only: per-way warnings would drown them.
    auto log = [](const std::string &line) {
        if (line.rfind("Warning", 0) != 0 && line.rfind("OSM turn", 0) != 0 && line.rfind("Turn", 0) != 0)
            std::printf("  %s\n", line.c_str());
    };
    const int64_t start = Routing::get_micro_time();
    size_t nodes = 0, arcs = 0;
    if (profile == "car") {
        const auto graph = Routing::simple_load_osm_car_routing_graph_from_pbf(file, log, false, false);
        nodes = graph.latitude.size();
        arcs = graph.head.size();
    } else if (profile == "pedestrian") {
        const auto graph = Routing::simple_load_osm_pedestrian_routing_graph_from_pbf(file, log, false, false);
        nodes = graph.latitude.size();
        arcs = graph.head.size();
    } else {
        const auto graph = Routing::simple_load_osm_bicycle_routing_graph_from_pbf(file, log, false, false);
        nodes = graph.latitude.size();
        arcs = graph.head.size();
    }
    std::printf("%s loader: %zu nodes, %zu arcs, %.2f s\n", profile.c_str(), nodes, arcs,
                static_cast<double>(Routing::get_micro_time() - start) / 1e6);
    return 0;
}
