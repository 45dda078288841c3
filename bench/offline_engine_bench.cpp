// Loads an extract through the offline engine and times each stage, then a
// matrix over random locations of the graph: with the router's shared index
// and query, the same after Qt's string hash has run on the thread, and with
// the index and query rebuilt for every pair.
//
//   offline_engine_bench car|foot FILE.osm.pbf [LOCATIONS] [REBUILT_PAIRS] 2>/dev/null
//
// The rebuilt variant runs at most REBUILT_PAIRS pairs (default 200) and
// extrapolates to the whole matrix. Standard error carries the loader's log.

#include "app/offline/offlineengine.h"
#include "app/offline/upper_vector_state.h"
#include "bench/peak_memory.h"

#include <QByteArray>
#include <QHash>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

double seconds_between(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double>(to - from).count();
}

// What every pair cost before the index and the query were shared.
template <class G>
class RebuildingRouter : public Router
{
public:
    explicit RebuildingRouter(const OfflineMapData<G> &mapData) : mapData(mapData) {}

    int pointDistance(double lat1, double lon1, double lat2, double lon2) override
    {
        clear_upper_vector_state(); // as the offline router does
        const Routing::GeoPositionToNode index(mapData.graph.latitude, mapData.graph.longitude);
        Routing::ContractionHierarchyQuery query(mapData.ch);
        const unsigned s = index.find_nearest_neighbor_within_radius(float(lat1), float(lon1), 2000.0f).id;
        const unsigned t = index.find_nearest_neighbor_within_radius(float(lat2), float(lon2), 2000.0f).id;
        if (s == Routing::invalid_id || t == Routing::invalid_id)
            return -1;
        return static_cast<int>(query.reset().add_source(s, 0).add_target(t, 0).run().get_distance());
    }

private:
    const OfflineMapData<G> &mapData;
};

template <class G>
int run(const std::string &file, unsigned locationCount, unsigned rebuiltPairs)
{
    OfflineMapData<G> mapData(std::is_same_v<G, Routing::SimpleOSMCarRoutingGraph>, file);
    std::map<int, Clock::time_point> reached; // progress percentage -> time
    QObject::connect(&mapData, &MapData::mapDataProgress,
                     [&](float total, float, const QString &) { reached[int(total)] = Clock::now(); });
    QObject::connect(&mapData, &MapData::mapDataError,
                     [](const QString &text) { std::printf("load failed: %s\n", text.toUtf8().constData()); });
    if (!mapData.loadMap())
        return 1;
    const long loadedMemory = peak_memory_mib();

    const auto indexStart = Clock::now();
    const Routing::GeoPositionToNode index(mapData.graph.latitude, mapData.graph.longitude);
    const double indexSeconds = seconds_between(indexStart, Clock::now());
    const double graphSeconds = seconds_between(reached[0], reached[35]);
    const double tailSeconds = seconds_between(reached[35], reached[75]);
    const double hierarchySeconds = seconds_between(reached[75], reached[100]) - indexSeconds;
    std::printf("%s: %zu nodes, %zu arcs, %zu + %zu hierarchy arcs\n", file.c_str(), mapData.graph.latitude.size(),
                mapData.graph.head.size(), mapData.ch.forward.head.size(), mapData.ch.backward.head.size());
    std::printf("load: graph %.2f s, tails %.3f s, hierarchy %.2f s, index %.3f s; total %.2f s; peak %ld MiB\n",
                graphSeconds, tailSeconds, hierarchySeconds, indexSeconds, seconds_between(reached[0], reached[100]),
                loadedMemory);

    std::mt19937 rng(7);
    vector_2d_double points;
    for (unsigned i = 0; i < locationCount; ++i) {
        const auto node = unsigned(rng() % mapData.graph.latitude.size());
        points.push_back({mapData.graph.latitude[node], mapData.graph.longitude[node]});
    }

    OfflineRouter<G> router(&mapData);
    vector_2d_int matrix;
    QObject::connect(&router, &Router::distancesCalculated,
                     [&](const vector_2d_double &, const vector_2d_int &result) { matrix = result; });
    const auto matrixStart = Clock::now();
    router.calculateDistances(points);
    const double matrixSeconds = seconds_between(matrixStart, Clock::now());
    long unreachable = 0;
    for (const auto &row : matrix)
        unreachable += std::count(row.begin(), row.end(), 2147483647);
    std::printf("%u x %u matrix, shared index and query: %.3f s (%ld unreachable cells); peak %ld MiB\n",
                locationCount, locationCount, matrixSeconds, unreachable, peak_memory_mib());

    // Qt's string hash may leave the upper vector state dirty, which slows
    // down legacy-SSE code on Intel processors until it is cleared: a figure
    // above the last one means the router no longer clears it.
    volatile size_t hash = qHash(QByteArray(8, 'x'), 12345);
    (void)hash;
    const vector_2d_int cleanMatrix = matrix;
    const auto dirtyStart = Clock::now();
    router.calculateDistances(points);
    std::printf("the same after Qt's string hash: %.3f s%s\n", seconds_between(dirtyStart, Clock::now()),
                matrix == cleanMatrix ? "" : " (a different matrix!)");

    RebuildingRouter<G> rebuilding(mapData);
    const unsigned pairs = locationCount * (locationCount - 1);
    const unsigned timedPairs = std::min(pairs, rebuiltPairs);
    const auto rebuiltStart = Clock::now();
    for (unsigned k = 0; k < timedPairs; ++k) {
        const unsigned i = k / (locationCount - 1), j = k % (locationCount - 1) + (k % (locationCount - 1) >= i);
        rebuilding.pointDistance(points[i][0], points[i][1], points[j][0], points[j][1]);
    }
    const double rebuiltSeconds = seconds_between(rebuiltStart, Clock::now());
    std::printf("same matrix, index and query rebuilt per pair: %.3f s for %u pairs, %.1f s for all %u\n",
                rebuiltSeconds, timedPairs, rebuiltSeconds / timedPairs * pairs, pairs);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3 || (std::strcmp(argv[1], "car") != 0 && std::strcmp(argv[1], "foot") != 0)) {
        std::fprintf(stderr, "usage: %s car|foot FILE.osm.pbf [LOCATIONS] [REBUILT_PAIRS]\n", argv[0]);
        return 2;
    }
    const unsigned locations = argc > 3 ? unsigned(std::strtoul(argv[3], nullptr, 10)) : 100;
    const unsigned rebuiltPairs = argc > 4 ? unsigned(std::strtoul(argv[4], nullptr, 10)) : 200;
    if (locations < 2)
        return 2;
    if (std::strcmp(argv[1], "car") == 0)
        return run<Routing::SimpleOSMCarRoutingGraph>(argv[2], locations, rebuiltPairs);
    return run<Routing::SimpleOSMPedestrianRoutingGraph>(argv[2], locations, rebuiltPairs);
}
