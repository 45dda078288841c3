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

// A hand-made extract near Monaco: one footway over these three nodes, nothing for cars.
inline const vector_2d_double footwayNodes = {{43.73, 7.42}, {43.731, 7.42}, {43.731, 7.421}};
std::string write_footway_pbf(const TemporaryFolder &folder);

// The matrix a router delivered, and the errors it reported on the way.
struct RouterRun
{
    vector_2d_int matrix;
    QStringList errors;
};
RouterRun run_router(Router &router, const vector_2d_double &points);

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

    // Clicks "Procházet…" and picks this file in the dialog, or cancels it when the path is empty.
    void browseMapFile(const QString &path);
    void travel(int travelType) { find<QComboBox>("travelTypeCombo")->setCurrentIndex(travelType); }
    // The map loading steps on standard error during the last calculation.
    QStringList loadingLines() const
    {
        QStringList lines = errorLines;
        lines.removeIf([](const QString &l) { return !loadingSteps.contains(l); });
        return lines;
    }
    // Calculates; expects `matrix` on standard output (none: nothing) and `shown` in the table and the CSV view.
    void expectCalculated(const vector_2d_int &matrix, const vector_2d_int &shown);
};

#endif
