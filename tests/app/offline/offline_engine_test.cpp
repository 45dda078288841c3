#include "tests/app/offline/offline_test_support.h"
#include "tests/routing/core/hierarchy_test_support.h"
#include "tests/support/qt_printing.h"
#include "tests/support/test_data.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Each signal of one load as a line ("35 0 Výpočet inverzních vektorů…",
// "error …", "finished"), and what loadMap returned.
template <class G>
std::pair<QStringList, bool> load(const std::string &path)
{
    OfflineMapData<G> mapData(isCarGraph<G>, path);
    QStringList reports;
    QObject::connect(&mapData, &MapData::mapDataProgress, [&](float total, float increment, const QString &text) {
        reports << QStringLiteral("%1 %2 ").arg(total).arg(increment) + text;
    });
    QObject::connect(&mapData, &MapData::mapDataError, [&](const QString &text) { reports << "error " + text; });
    QObject::connect(&mapData, &MapData::mapDataFinished, [&] { reports << "finished"; });
    const bool loaded = mapData.loadMap();
    return {reports, loaded};
}

TEST(OfflineMapDataTest, LoadReportsItsProgressAndEachFailure)
{
    TemporaryFolder folder;
    const std::string footway = write_footway_pbf(folder);
    const QString start = "0 0 " + loadingSteps[0];
    const QString notRead = "error Čtení mapových dat selhalo.\r\n";
    const struct {
        const char *name;
        std::string path;
        bool byCar;
        QStringList reports; // a last report ending in "\r\n" goes on with the routing library's message
    } cases[] = {
        {"no path", "", true,
         {start, "error Nebyl zadán žádný soubor; zvolte prosím soubor s\u00a0mapou ve formátu PBF."}},
        {"missing file", folder.path("missing.osm.pbf"), false,
         {start, "error Daný soubor neexistuje; zvolte prosím jiný."}},
        {"directory", folder.path(""), true, {start, notRead}},
        {"not PBF", folder.write("text.osm.pbf", "Monaco, 43.73 7.42\n"), false, {start, notRead}},
        {"no way for cars", footway, true, {start, "error Čtení mapových dat selhalo. Je daný soubor ve formátu PBF?"}},
        {"loaded", footway, false,
         {start, "35 0 " + loadingSteps[1], "75 0 " + loadingSteps[2], "100 0 " + loadingSteps[3], "finished"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        auto [reports, loaded] = c.byCar ? load<Car>(c.path) : load<Foot>(c.path);
        EXPECT_EQ(loaded, c.reports.endsWith("finished"));
        if (c.reports.last().endsWith("\r\n") && !reports.isEmpty()) {
            EXPECT_GT(reports.last().size(), c.reports.last().size()) << reports.last().toStdString();
            reports.last().truncate(c.reports.last().size());
        }
        EXPECT_EQ(reports, c.reports);
    }
}

// Metres from the point to the nearest node other than `except`, by brute
// force over an equirectangular approximation: plenty to tell metres from kilometres.
template <class G>
double metres_to_nearest_node(const G &graph, double lat, double lon, unsigned except = Routing::invalid_id)
{
    double best = INFINITY;
    for (unsigned v = 0; v < graph.latitude.size(); ++v) {
        const double dy = (graph.latitude[v] - lat) * 111195;
        const double dx = (graph.longitude[v] - lon) * 111195 * std::cos(lat * M_PI / 180);
        best = v == except ? best : std::min(best, std::hypot(dx, dy));
    }
    return best;
}

template <class G>
bool stands_apart(const G &graph, unsigned v)
{
    return metres_to_nearest_node(graph, graph.latitude[v], graph.longitude[v], v) > 5;
}

// Locations on 40 nodes spread over the extract, each apart from the others
// so that it snaps to its node. By car, one more on a node that the first
// cannot reach but that reaches it (behind one-way streets).
template <class G>
void expect_matrix_of_plain_dijkstra(OfflineMapData<G> &mapData)
{
    const G &graph = mapData.graph;
    TestGraph forward{"loaded graph", unsigned(graph.latitude.size()), {}, {}, {}};
    for (unsigned x = 0; x < forward.node_count; ++x) {
        for (unsigned a = graph.first_out[x]; a < graph.first_out[x + 1]; ++a)
            forward.add_arc(x, graph.head[a], graph.geo_distance[a]);
    }
    TestGraph backward = forward;
    std::swap(backward.tail, backward.head);
    std::vector<unsigned> nodes;
    for (unsigned v = 0; v < forward.node_count && nodes.size() < 40; v += forward.node_count / 50) {
        if (stands_apart(graph, v))
            nodes.push_back(v);
    }
    ASSERT_EQ(nodes.size(), 40u);
    const std::vector<uint64_t> from = dijkstra(forward, {{nodes[0], 0}}), to = dijkstra(backward, {{nodes[0], 0}});
    for (unsigned t = 0; t < forward.node_count && isCarGraph<G> && nodes.size() == 40; ++t) {
        if (from[t] == UINT64_MAX && to[t] != UINT64_MAX && stands_apart(graph, t))
            nodes.push_back(t);
    }

    vector_2d_double points;
    vector_2d_int expected(nodes.size(), std::vector<int>(nodes.size())), transposed = expected;
    for (size_t i = 0; i < nodes.size(); ++i) {
        points.push_back({graph.latitude[nodes[i]], graph.longitude[nodes[i]]});
        const std::vector<uint64_t> distance = dijkstra(forward, {{nodes[i], 0}});
        for (size_t j = 0; j < nodes.size(); ++j)
            expected[i][j] = transposed[j][i] = i == j ? 0 : int(as_query_distance(distance[nodes[j]]));
    }
    OfflineRouter<G> router(&mapData);
    const RouterRun run = run_router(router, points);
    EXPECT_EQ(run.matrix, expected);
    EXPECT_TRUE(run.errors.isEmpty()) << run.errors.join('\n').toStdString();
    EXPECT_EQ(expected[0].back() == 2147483647 && expected.back()[0] < 2147483647, isCarGraph<G>);
    // On foot every way is open in both directions.
    EXPECT_EQ(expected == transposed, !isCarGraph<G>);
}

// By car and on foot; then two locations on one node, and two in the sea: the
// error names the point that has no node near it, the origin when both have none.
TEST(OfflineRouterTest, MatricesOnTheRealExtractMatchAPlainDijkstraAndSnapWithin2000Metres)
{
    REQUIRE_MONACO_PBF(path);
    ASSERT_NE(monaco_map_data<Car>(path), nullptr);
    expect_matrix_of_plain_dijkstra(*monaco_map_data<Car>(path));
    OfflineMapData<Foot> *mapData = monaco_map_data<Foot>(path);
    ASSERT_NE(mapData, nullptr);
    expect_matrix_of_plain_dijkstra(*mapData);

    const Foot &graph = mapData->graph;
    unsigned node = 0;
    while (!stands_apart(graph, node))
        ++node;
    const vector_2d_double points = {{graph.latitude[node], graph.longitude[node]},
                                     {graph.latitude[node] + 0.00001, graph.longitude[node]},
                                     {43.6955381, 7.4578005},
                                     {43.68, 7.48}};
    for (const auto &sea : {points[2], points[3]})
        ASSERT_GT(metres_to_nearest_node(graph, sea[0], sea[1]), 2100);

    OfflineRouter<Foot> router(mapData);
    const RouterRun run = run_router(router, points);
    EXPECT_EQ(run.matrix, vector_2d_int({{0, 0, -1, -1}, {0, 0, -1, -1}, {-2, -2, 0, -2}, {-2, -2, -2, 0}}));
    const QString first = "Nebyl nalezen žádný bod v\u00a0blízkosti dané adresy (43.6955381,7.4578005).";
    const QString second = "Nebyl nalezen žádný bod v\u00a0blízkosti dané adresy (43.68,7.48).";
    EXPECT_EQ(run.errors, QStringList({first, second, first, second, first, first, first, second, second, second}));
}

} // namespace
