#ifndef APP_MAINWINDOW_H
#define APP_MAINWINDOW_H

#include "app/cached_map_data.h"
#include "app/engines/types.h"

#include <QFutureWatcher>
#include <QList>
#include <QMainWindow>
#include <QSet>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class CalculationRelay;
class FOSSGISMapData;
class MapData;
class OpenRouteServiceAddresser;
class OpenRouteServiceMapData;
class Router;
class Ui_MainWindow;
template <class G>
class OfflineMapData;
namespace Routing {
struct SimpleOSMCarRoutingGraph;
struct SimpleOSMPedestrianRoutingGraph;
} // namespace Routing

// The program's only window: the location list, the engines and their
// settings, the calculation and its results.
class MainWindow : public QMainWindow
{
    Q_OBJECT
    // Lets tests run a calculation on an engine of their own.
    friend class MainWindowTestAccess;

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

private:
    // What a calculation's worker hands back: the map data that it used, which
    // the window caches unless the engine's settings changed meanwhile.
    struct WorkerOutcome
    {
        std::shared_ptr<MapData> mapData;
    };
    // The engine's part of a calculation: taken from the form on the GUI thread,
    // run on the worker, where it loads the map data and makes the router. The
    // relay passes on what the map data reports while it loads.
    struct EngineRun
    {
        std::shared_ptr<MapData> loaded;   // the engine's map data, for the window to keep
        std::shared_ptr<MapData> routedOn; // other map data the router works on, kept alive for it
        std::unique_ptr<Router> router;    // none: the calculation ends without a message
    };
    struct EngineJob
    {
        std::function<EngineRun(CalculationRelay &)> start;
        std::function<void(std::shared_ptr<MapData>)> keepMapData;
    };

    // Form and state.
    void setupUi();
    void connectSignals();
    QString currentEngine() const;
    bool travelByCar() const;
    vector_2d_double coordListTo2dVector() const;
    void validateOverall();

    // Calculation.
    void beginCalculateDistances();
    void beginCalculation(std::optional<EngineJob> job);
    std::optional<EngineJob> engineJob(const QString &engine);
    template <class T, class R>
    EngineJob cachedEngineJob(CachedMapData<T> &cache, typename CachedMapData<T>::Factory make, bool showLoading);
    template <class G>
    EngineJob offlineEngineJob(CachedMapData<OfflineMapData<G>> &cache);
    void startWorker(vector_2d_double points, EngineJob job);
    void workerFinished();
    CachedMapData<FOSSGISMapData>::Factory osrmMapDataFactory() const;
    CachedMapData<OpenRouteServiceMapData>::Factory orsMapDataFactory() const;
    void loadOrsMapData();
    void mapDataError(QString text);
    void mapDataFinished();
    void calculationProgress(float totalPercent, float percentIncrement, QString description);
    void calculationError(QString text);
    void distancesCalculated(vector_2d_double points, vector_2d_int distances);

    // Settings.
    void osrmServerChanged(const QString &text);
    void orsApiOrServerChanged(const QString &text);
    void orsApiKeyToggled(int state);
    void engineSelected(int index);
    void offlineBrowseMapFile();
    void offlineFileChanged(const QString &text);
    void discardOfflineMapData();

    // Location list.
    void addLocationString();
    void addToLocationsList(std::vector<double> point, QString name);
    bool resetAddresser();
    void addLocationCoordinates(std::vector<double> point, QString name);
    void addLocationAddressError(QString message);
    void addLocationAddressCancelled();
    void locationAddressChanged(const QString &text);
    void orsGeocodingToggled(int state);
    void locationSelected(int row);
    void removeSelectedLocation();
    void clearLocations();

    // Results.
    void displayDistances(vector_2d_double points, vector_2d_int distances);
    void populateTableWithDistances(vector_2d_double points, vector_2d_int distances);
    void populateTextBrowserWithDistances(vector_2d_double points, vector_2d_int distances);
    void repopulateTableAndCSV(bool);
    void copyCSVData();
    QString locationName(int index) const;

    void openAboutWindow();

    Ui_MainWindow *ui;
    CachedMapData<OpenRouteServiceMapData> orsMapData;
    CachedMapData<FOSSGISMapData> osrmMapData;
    CachedMapData<OfflineMapData<Routing::SimpleOSMCarRoutingGraph>> offlineCarMapData;
    CachedMapData<OfflineMapData<Routing::SimpleOSMPedestrianRoutingGraph>> offlineFootMapData;
    // The geocoder of the latest lookup and the map data it was made on, which
    // it keeps even when a settings change discards it from the cache.
    std::shared_ptr<OpenRouteServiceMapData> addresserMapData;
    std::unique_ptr<OpenRouteServiceAddresser> addresser;
    bool busy = false;
    // The error texts shown during the latest calculation: an engine may
    // report the same failure for every pair, which is shown once.
    QSet<QString> shownErrors;
    // The worker of the latest calculation; a new one starts only after it has returned.
    QFutureWatcher<WorkerOutcome> worker;
    bool workerRunning = false;
    std::shared_ptr<CalculationRelay> workerRelay;
    std::function<void(std::shared_ptr<MapData>)> keepWorkerMapData;
    vector_2d_double lastPoints;
    vector_2d_int lastDistances;
    // The address list as the latest calculation started, and as it stood for the result shown.
    QList<QString> locationNames;
    QList<QString> lastNames;
};

#endif
