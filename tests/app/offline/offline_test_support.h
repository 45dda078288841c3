#ifndef TESTS_APP_OFFLINE_OFFLINE_TEST_SUPPORT_H
#define TESTS_APP_OFFLINE_OFFLINE_TEST_SUPPORT_H

#include "app/offline/offlineengine.h"
#include "tests/app/main_window_fixture.h"
#include "tests/routing/osm/pbf_test_support.h"

#include <memory>
#include <string>
#include <type_traits>

using Car = Routing::SimpleOSMCarRoutingGraph;
using Foot = Routing::SimpleOSMPedestrianRoutingGraph;
template <class G>
constexpr bool isCarGraph = std::is_same_v<G, Car>;

inline const QStringList loadingSteps = {"Čtení mapových dat…", "Výpočet inverzních vektorů…",
                                         "Tvorba kontrakční hierarchie…", "Mapové údaje byly úspěšně načteny…"};

// A small extract near Monaco: one footway over three nodes, nothing for cars.
inline std::string write_footway_pbf(const TemporaryFolder &folder)
{
    return opl_to_pbf(folder, "footway",
                      "n1 x7.42 y43.73\nn2 x7.42 y43.731\nn3 x7.421 y43.731\nw10 Thighway=footway Nn1,n2,n3\n", "pbf");
}

// The matrix a router delivered, and the errors it reported on the way.
struct RouterRun
{
    vector_2d_int matrix;
    QStringList errors;
};
inline RouterRun run_router(Router &router, const vector_2d_double &points)
{
    RouterRun run;
    QObject receiver;
    QObject::connect(&router, &Router::distancesCalculated, &receiver,
                     [&run](const vector_2d_double &, const vector_2d_int &matrix) { run.matrix = matrix; });
    QObject::connect(&router, &Router::calculationError, &receiver,
                     [&run](const QString &text) { run.errors << text; });
    router.calculateDistances(points);
    return run;
}

// The real extract loaded once per graph kind for the whole test program; null when it does not load.
template <class G>
OfflineMapData<G> *monaco_map_data(const std::string &path)
{
    static const std::unique_ptr<OfflineMapData<G>> mapData = [&path] {
        auto loaded = std::make_unique<OfflineMapData<G>>(isCarGraph<G>, path);
        return loaded->loadMap() ? std::move(loaded) : nullptr;
    }();
    return mapData.get();
}

// The main window on the offline engine's tab.
class OfflineWindowTest : public MainWindowTest
{
protected:
    OfflineWindowTest() { selectEngine("offline"); }

    void travel(int travelType) { find<QComboBox>("travelTypeCombo")->setCurrentIndex(travelType); }
    // The map loading steps on standard error during the last calculation.
    QStringList loadingLines() const
    {
        QStringList lines = errorLines;
        lines.removeIf([](const QString &l) { return !loadingSteps.contains(l); });
        return lines;
    }
    // Calculates; expects `matrix` on standard output (none: nothing) and `shown` in the table and the CSV view.
    void expectCalculated(const vector_2d_int &matrix, const vector_2d_int &shown)
    {
        const auto text = [](const vector_2d_int &rows, const char *unit, const char *lineEnd) {
            QString text;
            for (const std::vector<int> &row : rows) {
                QStringList cells;
                for (const int distance : row)
                    cells << QString::number(distance) + unit;
                text += cells.join(',') + lineEnd;
            }
            return text;
        };
        EXPECT_EQ(QString::fromStdString(calculateCapturing()), text(matrix, "", "\r\n"));
        EXPECT_EQ(csv(), text(shown, "", "\n"));
        QString table;
        for (int row = 0; row < find<QTableWidget>("distanceTable")->rowCount(); ++row)
            table += tableRow(row).join(',') + "\n";
        EXPECT_EQ(table, text(shown, " m", "\n"));
    }
};

#endif
