#include "tests/app/offline/offline_test_support.h"
#include "tests/routing/core/hierarchy_test_support.h"
#include "tests/support/qt_printing.h"
#include "tests/support/test_data.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <random>

namespace {

using Car = Routing::SimpleOSMCarRoutingGraph;
using Foot = Routing::SimpleOSMPedestrianRoutingGraph;

// One load: each signal as a line ("35 0 Výpočet inverzních vektorů…",
// "error …", "finished"), and what loadMap returned.
struct LoadRun
{
    QStringList reports;
    bool loaded;
};

template <class G>
LoadRun load(const std::string &path)
{
    OfflineMapData<G> mapData(isCarGraph<G>, path);
    LoadRun run;
    QObject::connect(&mapData, &MapData::mapDataProgress, [&run](float total, float increment, const QString &text) {
        run.reports << QStringLiteral("%1 %2 %3").arg(total).arg(increment).arg(text);
    });
    QObject::connect(&mapData, &MapData::mapDataError, [&run](const QString &text) { run.reports << "error " + text; });
    QObject::connect(&mapData, &MapData::mapDataFinished, [&run] { run.reports << "finished"; });
    run.loaded = mapData.loadMap();
    return run;
}

TEST(OfflineMapDataTest, LoadReportsItsProgressAndEachFailure)
{
    TemporaryFolder folder;
    const std::string footway = write_footway_pbf(folder);
    std::ifstream in(footway, std::ios::binary);
    const std::string footwayBytes{std::istreambuf_iterator<char>(in), {}};

    const QString start = QStringLiteral("0 0 Čtení mapových dat…");
    const QString notRead = QStringLiteral("error Čtení mapových dat selhalo.\r\n");
    const QString noWay = QStringLiteral("error Čtení mapových dat selhalo. Je daný soubor ve formátu PBF?");
    struct Case
    {
        const char *name;
        std::string path;
        bool byCar;
        QStringList reports;
        bool englishTextFollows; // the last report goes on with the routing library's message
    };
    const std::vector<Case> cases = {
        {"no path", "", true,
         {start, "error Nebyl zadán žádný soubor; zvolte prosím soubor s\u00a0mapou ve formátu PBF."}, false},
        {"missing file", folder.path("missing.osm.pbf"), false,
         {start, "error Daný soubor neexistuje; zvolte prosím jiný."}, false},
        {"directory", folder.path(""), true, {start, notRead}, true},
        {"not PBF", folder.write("text.osm.pbf", "Monaco, 43.73 7.42\n"), false, {start, notRead}, true},
        {"truncated", folder.write("cut.osm.pbf", footwayBytes.substr(0, footwayBytes.size() - 5)), false,
         {start, notRead}, true},
        {"nodes only", write_nodes_only_pbf(folder), false, {start, noWay}, false},
        {"no way for cars", footway, true, {start, noWay}, false},
        {"loaded", footway, false,
         {start, "35 0 Výpočet inverzních vektorů…", "75 0 Tvorba kontrakční hierarchie…",
          "100 0 Mapové údaje byly úspěšně načteny…", "finished"},
         false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        LoadRun run = c.byCar ? load<Car>(c.path) : load<Foot>(c.path);
        EXPECT_EQ(run.loaded, c.reports.endsWith("finished"));
        if (c.englishTextFollows && !run.reports.isEmpty()) {
            EXPECT_GT(run.reports.last().size(), c.reports.last().size()) << run.reports.last().toStdString();
            run.reports.last().truncate(c.reports.last().size());
        }
        EXPECT_EQ(run.reports, c.reports);
    }
}

// Haversine metres in double precision, apart from the index's own formulas.
double metres_between(double lat1, double lon1, double lat2, double lon2)
{
    const double rad = M_PI / 180, s1 = std::sin((lat2 - lat1) * rad / 2), s2 = std::sin((lon2 - lon1) * rad / 2);
    const double a = s1 * s1 + std::cos(lat1 * rad) * std::cos(lat2 * rad) * s2 * s2;
    return 2 * 6371000.785 * std::asin(std::sqrt(a));
}

// The node nearest to the point by brute force, and how much farther the second nearest is.
template <class G>
std::pair<unsigned, double> nearest_node(const G &graph, float lat, float lon)
{
    double best = INFINITY, second = INFINITY;
    unsigned node = 0;
    for (unsigned v = 0; v < graph.latitude.size(); ++v) {
        const double d = metres_between(lat, lon, graph.latitude[v], graph.longitude[v]);
        if (d < best) {
            second = best;
            best = d;
            node = v;
        } else {
            second = std::min(second, d);
        }
    }
    return {best <= 2000 ? node : Routing::invalid_id, second - best};
}

template <class G>
TestGraph as_test_graph(const G &graph)
{
    TestGraph test{"loaded graph", unsigned(graph.latitude.size()), {}, {}, {}};
    for (unsigned x = 0; x < test.node_count; ++x) {
        for (unsigned a = graph.first_out[x]; a < graph.first_out[x + 1]; ++a)
            test.add_arc(x, graph.head[a], graph.geo_distance[a]);
    }
    return test;
}

// Locations a few metres off random nodes, each clearly nearest to one node.
// By car, one more exactly at a node that the first location's node cannot
// reach but that reaches it (behind one-way streets).
template <class G>
std::pair<vector_2d_double, std::vector<unsigned>> random_locations(const G &graph, const TestGraph &test,
                                                                    unsigned count)
{
    std::mt19937 rng(count);
    std::uniform_real_distribution<double> offset(-0.0002, 0.0002);
    vector_2d_double points;
    std::vector<unsigned> nodes;
    while (points.size() < count) {
        const auto v = unsigned(rng() % graph.latitude.size());
        const double lat = graph.latitude[v] + offset(rng), lon = graph.longitude[v] + offset(rng);
        const auto [node, margin] = nearest_node(graph, float(lat), float(lon));
        if (node != Routing::invalid_id && margin > 1.0) {
            points.push_back({lat, lon});
            nodes.push_back(node);
        }
    }
    if (isCarGraph<G>) {
        TestGraph reversed = test;
        std::swap(reversed.tail, reversed.head);
        const std::vector<uint64_t> from = dijkstra(test, {{nodes[0], 0}}), to = dijkstra(reversed, {{nodes[0], 0}});
        for (unsigned t = 0; t < test.node_count; ++t) {
            if (from[t] == UINT64_MAX && to[t] != UINT64_MAX &&
                nearest_node(graph, graph.latitude[t], graph.longitude[t]).second > 1.0) {
                points.push_back({graph.latitude[t], graph.longitude[t]});
                nodes.push_back(t);
                break;
            }
        }
    }
    return {points, nodes};
}

template <class G>
void expect_matrix_of_plain_dijkstra(OfflineMapData<G> &mapData)
{
    const TestGraph test = as_test_graph(mapData.graph);
    const auto [points, nodes] = random_locations(mapData.graph, test, 40);
    vector_2d_int expected;
    for (size_t i = 0; i < nodes.size(); ++i) {
        const std::vector<uint64_t> distance = dijkstra(test, {{nodes[i], 0}});
        expected.emplace_back();
        for (size_t j = 0; j < nodes.size(); ++j)
            expected.back().push_back(i == j ? 0 : int(as_query_distance(distance[nodes[j]])));
    }

    OfflineRouter<G> router(&mapData);
    const RouterRun run = run_router(router, points);
    EXPECT_EQ(run.matrix, expected);
    EXPECT_TRUE(run.errors.isEmpty()) << run.errors.join(QLatin1Char('\n')).toStdString();

    bool oneWayOnly = false, symmetric = true;
    for (size_t i = 0; i < expected.size(); ++i) {
        for (size_t j = 0; j < expected.size(); ++j) {
            oneWayOnly = oneWayOnly || (expected[i][j] == 2147483647 && expected[j][i] < 2147483647);
            symmetric = symmetric && expected[i][j] == expected[j][i];
        }
    }
    EXPECT_EQ(oneWayOnly, isCarGraph<G>);
    // On foot every way is open in both directions.
    EXPECT_EQ(symmetric, !isCarGraph<G>);
}

TEST(OfflineRouterTest, MatricesOnTheRealExtractAreThoseOfAPlainDijkstra)
{
    REQUIRE_MONACO_PBF(path);
    ASSERT_NE(monaco_map_data<Car>(path), nullptr);
    expect_matrix_of_plain_dijkstra(*monaco_map_data<Car>(path));
    ASSERT_NE(monaco_map_data<Foot>(path), nullptr);
    expect_matrix_of_plain_dijkstra(*monaco_map_data<Foot>(path));
}

// Two locations on one node, and two in the sea: the error names the point
// that has no node near it, the origin when both have none.
TEST(OfflineRouterTest, SnapsWithin2000MetresOrReportsThePoint)
{
    REQUIRE_MONACO_PBF(path);
    OfflineMapData<Foot> *mapData = monaco_map_data<Foot>(path);
    ASSERT_NE(mapData, nullptr);
    const Foot &graph = mapData->graph;
    unsigned node = 0;
    while (nearest_node(graph, graph.latitude[node], graph.longitude[node]).second < 5.0)
        ++node;
    const vector_2d_double points = {{graph.latitude[node], graph.longitude[node]},
                                     {graph.latitude[node] + 0.00001, graph.longitude[node]},
                                     {43.6955381, 7.4578005},
                                     {43.68, 7.48}};
    for (const auto &sea : {points[2], points[3]})
        ASSERT_EQ(nearest_node(graph, float(sea[0]), float(sea[1])).first, Routing::invalid_id);

    OfflineRouter<Foot> router(mapData);
    const RouterRun run = run_router(router, points);
    EXPECT_EQ(run.matrix, vector_2d_int({{0, 0, -1, -1}, {0, 0, -1, -1}, {-2, -2, 0, -2}, {-2, -2, -2, 0}}));
    const QString first = QStringLiteral("Nebyl nalezen žádný bod v\u00a0blízkosti dané adresy (43.6955381,7.4578005).");
    const QString second = QStringLiteral("Nebyl nalezen žádný bod v\u00a0blízkosti dané adresy (43.68,7.48).");
    EXPECT_EQ(run.errors, QStringList({first, second, first, second, first, first, first, second, second, second}));
}

} // namespace
