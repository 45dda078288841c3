#include "app/mainwindow.h"

#include "app/aboutwindow.h"
#include "app/button_icons.h"
#include "app/calculation_pool.h"
#include "app/calculation_relay.h"
#include "app/engines/fossgis.h"
#include "app/engines/openrouteservice.h"
#include "app/engines/util.h"
#include "app/matrix_shape.h"
#include "app/offline/offlineengine.h"
#include "app/ors_default_key.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QClipboard>
#include <QErrorMessage>
#include <QFile>
#include <QFileDialog>
#include <QUrl>
#include <QtConcurrent>

#include <cstdio>
#include <type_traits>

namespace {

// The list keeps each location's point with its text, because a coordinate
// closer to 0 than 0.0001 is written in exponent form, which does not read back.
constexpr int pointRole = Qt::UserRole;

// A parentless dialog per error. The text is shown as plain text, so that its
// line breaks survive and a service's reply is never read as markup; long
// lines wrap. The dialog
// deletes itself when closed and does not keep the program running after the
// main window has closed.
void show_error_message(QString text)
{
    auto *dialog = new QErrorMessage();
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAttribute(Qt::WA_QuitOnClose, false);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    dialog->showMessage(Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal));
}

void write_to_standard_error(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

const QString calculationFailed = QStringLiteral("Výpočet se nezdařil.\r\n");

bool is_web_address(const QString &text)
{
    const QUrl url(text, QUrl::TolerantMode);
    return url.isValid() && (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"));
}

} // namespace

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent), ui(new Ui_MainWindow)
{
    setupUi();
}

MainWindow::~MainWindow()
{
    // The widgets outlive this destructor; none of their signals may reach the window any more.
    for (QObject *child : findChildren<QObject *>())
        disconnect(child, nullptr, this, nullptr);
    delete ui;
}

void MainWindow::setupUi()
{
    ui->setupUi(this);
    ui->orsApiKeyInput->setEnabled(false);
    ui->orsUseDefaultApiInput->setChecked(true);
    ui->orsTranslateToCoordsInput->setChecked(true);
    ui->copyCsvButton->setEnabled(false);

    connectSignals();

    set_button_qt_icon(ui->offlineMapfileExploreButton, QStyle::SP_DirOpenIcon);
    use_button_icon_or_text(ui->copyCsvButton);
    use_button_icon_or_text(ui->addressAddButton);
    use_button_icon_or_text(ui->addressDelButton);
    ui->addressInput->setPlaceholderText(QStringLiteral("Zadejte adresu či souřadnice…"));

    validateOverall();
}

void MainWindow::connectSignals()
{
    // Closing every window, the dialogs included, lets the program end even while one is open.
    connect(ui->actionQuit, &QAction::triggered, this, [] { QApplication::closeAllWindows(); });
    connect(ui->actionAbout, &QAction::triggered, this, &MainWindow::openAboutWindow);
    connect(ui->calculateButton, &QPushButton::clicked, this, &MainWindow::beginCalculateDistances);
    connect(&worker, &QFutureWatcherBase::finished, this, &MainWindow::workerFinished);

    connect(ui->osmrServerInput, &QLineEdit::textChanged, this, &MainWindow::osrmServerChanged);
    connect(ui->orsServerInput, &QLineEdit::textChanged, this, &MainWindow::orsApiOrServerChanged);
    connect(ui->orsApiKeyInput, &QLineEdit::textChanged, this, &MainWindow::orsApiOrServerChanged);
    connect(ui->orsUseDefaultApiInput, &QCheckBox::stateChanged, this, &MainWindow::orsApiKeyToggled);
    connect(ui->enginesTabWidget, &QTabWidget::currentChanged, this, &MainWindow::engineSelected);
    connect(ui->offlineMapfileExploreButton, &QPushButton::clicked, this, &MainWindow::offlineBrowseMapFile);
    connect(ui->offlineMapfileInput, &QLineEdit::textChanged, this, &MainWindow::offlineFileChanged);

    connect(ui->actionClearLocations, &QAction::triggered, this, &MainWindow::clearLocations);
    connect(ui->addressInput, &QLineEdit::textChanged, this, &MainWindow::locationAddressChanged);
    connect(ui->addressInput, &QLineEdit::returnPressed, this, &MainWindow::addLocationString);
    connect(ui->addressAddButton, &QPushButton::clicked, this, &MainWindow::addLocationString);
    connect(ui->addressList, &QListWidget::currentRowChanged, this, &MainWindow::locationSelected);
    connect(ui->coordinateList, &QListWidget::currentRowChanged, this, &MainWindow::locationSelected);
    connect(ui->addressDelButton, &QPushButton::clicked, this, &MainWindow::removeSelectedLocation);
    connect(ui->orsTranslateToCoordsInput, &QCheckBox::stateChanged, this, &MainWindow::orsGeocodingToggled);

    connect(ui->actionCopyCSV, &QAction::triggered, this, &MainWindow::copyCSVData);
    connect(ui->actionShowNames, &QAction::toggled, this, &MainWindow::repopulateTableAndCSV);
    connect(ui->actionCoordsInCSV, &QAction::toggled, this, &MainWindow::repopulateTableAndCSV);
    connect(ui->copyCsvButton, &QPushButton::clicked, this, &MainWindow::copyCSVData);
}

QString MainWindow::currentEngine() const
{
    return ui->enginesTabWidget->currentWidget()->objectName();
}

bool MainWindow::travelByCar() const
{
    return ui->travelTypeCombo->currentIndex() == 0;
}

vector_2d_double MainWindow::coordListTo2dVector() const
{
    vector_2d_double points;
    for (int row = 0; row < ui->coordinateList->count(); ++row)
        points.push_back(ui->coordinateList->item(row)->data(pointRole).value<std::vector<double>>());
    return points;
}

void MainWindow::validateOverall()
{
    const QString engine = currentEngine();
    ui->travelTypeCombo->setEnabled(!busy);
    bool ok = !busy;
    if (engine == QLatin1String("offline")) {
        ok = ok && QFile::exists(ui->offlineMapfileInput->text());
    } else if (engine == QLatin1String("osmrNet") || engine == QLatin1String("openRouteService")) {
        const bool osrm = engine == QLatin1String("osmrNet");
        if (!is_web_address((osrm ? ui->osmrServerInput : ui->orsServerInput)->text()))
            ok = false;
        if (!osrm && !ui->orsUseDefaultApiInput->isChecked() && ui->orsApiKeyInput->text().isEmpty())
            ok = false;
    }
    ui->calculateButton->setEnabled(ui->coordinateList->count() > 0 && ok);
}

void MainWindow::beginCalculateDistances()
{
    if (!busy && !workerRunning)
        beginCalculation(engineJob(currentEngine()));
}

// A calculation, while none is under way, on the engine's job, or none when
// the engine has no map data to offer (an empty server address or key).
void MainWindow::beginCalculation(std::optional<EngineJob> job)
{
    vector_2d_double points = coordListTo2dVector();
    busy = true;
    validateOverall();
    shownErrors.clear();

    locationNames.clear();
    for (int row = 0; row < ui->addressList->count(); ++row)
        locationNames.append(ui->addressList->item(row)->text());

    if (points.size() == 1) {
        show_error_message(QStringLiteral("Pro výpočet sazeb prosím zadejte alespoň dvě lokace."));
        busy = false;
        return;
    }
    if (!job) {
        busy = false;
        return;
    }
    startWorker(std::move(points), std::move(*job));
}

std::optional<MainWindow::EngineJob> MainWindow::engineJob(const QString &engine)
{
    if (engine == QLatin1String("offline")) {
        if (!travelByCar())
            return offlineEngineJob(offlineFootMapData);
        // When the car map data cannot be loaded, the pedestrian map data of
        // an earlier calculation on foot serves, after the loading error.
        EngineJob job = offlineEngineJob(offlineCarMapData);
        if (auto foot = offlineFootMapData.object()) {
            job.start = [byCar = std::move(job.start), foot](CalculationRelay &relay) {
                EngineRun run = byCar(relay);
                if (!run.router) {
                    run.router = std::make_unique<OfflineRouter<Routing::SimpleOSMPedestrianRoutingGraph>>(foot.get());
                    run.routedOn = foot;
                }
                return run;
            };
        }
        return job;
    }
    if (engine == QLatin1String("osmrNet"))
        return cachedEngineJob<FOSSGISMapData, FOSSGISRouter>(osrmMapData, osrmMapDataFactory(), false);
    if (engine == QLatin1String("openRouteService"))
        return cachedEngineJob<OpenRouteServiceMapData, OpenRouteServiceRouter>(orsMapData, orsMapDataFactory(),
                                                                                false);
    return std::nullopt;
}

// The map data of the engine, loaded on the worker unless cached, and a new
// router on it. Map data whose loading takes time shows its progress and its
// failure (`showLoading`); the web engines' has nothing to show.
template <class T, class R>
MainWindow::EngineJob MainWindow::cachedEngineJob(CachedMapData<T> &cache, typename CachedMapData<T>::Factory make,
                                                  bool showLoading)
{
    const typename CachedMapData<T>::Claim claim = cache.claim();
    const bool byCar = travelByCar();
    EngineJob job;
    job.start = [claim, make, byCar, showLoading](CalculationRelay &relay) -> EngineRun {
        typename CachedMapData<T>::Factory makeHere = make;
        if (make && showLoading) {
            makeHere = [&make, &relay] {
                T *made = make();
                relay.connectMapData(made);
                return made;
            };
        }
        std::shared_ptr<T> mapData = CachedMapData<T>::load(claim.cached, makeHere);
        if (!mapData)
            return {};
        mapData->travelByCar = byCar;
        std::unique_ptr<Router> router = std::make_unique<R>(mapData.get());
        return {std::move(mapData), nullptr, std::move(router)};
    };
    job.keepMapData = [&cache, claim](std::shared_ptr<MapData> loaded) {
        cache.keep(claim, std::static_pointer_cast<T>(std::move(loaded)));
    };
    return job;
}

// The offline engine keeps one map data object per travel type, both loaded
// from the map file.
template <class G>
MainWindow::EngineJob MainWindow::offlineEngineJob(CachedMapData<OfflineMapData<G>> &cache)
{
    const std::string path = ui->offlineMapfileInput->text().toStdString();
    constexpr bool byCar = std::is_same_v<G, Routing::SimpleOSMCarRoutingGraph>;
    return cachedEngineJob<OfflineMapData<G>, OfflineRouter<G>>(
        cache, [path] { return new OfflineMapData<G>(byCar, path); }, true);
}

void MainWindow::startWorker(vector_2d_double points, EngineJob job)
{
    // Shared with the worker and deleted on the GUI thread. The window lets go
    // of it when the worker has finished, after every signal it relayed.
    std::shared_ptr<CalculationRelay> relay(new CalculationRelay, [](CalculationRelay *r) { r->deleteLater(); });
    workerRelay = relay;
    connect(relay.get(), &CalculationRelay::routerCreated, this, &MainWindow::validateOverall);
    connect(relay.get(), &CalculationRelay::distancesCalculated, this, &MainWindow::distancesCalculated);
    connect(relay.get(), &CalculationRelay::calculationProgress, this, &MainWindow::calculationProgress);
    connect(relay.get(), &CalculationRelay::calculationError, this, &MainWindow::calculationError);
    connect(relay.get(), &CalculationRelay::mapDataError, this, &MainWindow::mapDataError);
    connect(relay.get(), &CalculationRelay::mapDataFinished, this, &MainWindow::mapDataFinished);

    keepWorkerMapData = std::move(job.keepMapData);
    workerRunning = true;
    worker.setFuture(QtConcurrent::run(&calculation_pool(), [points = std::move(points), start = std::move(job.start),
                                                             relay]() {
        // Whatever the engine throws (memory running out on a large extract)
        // ends this calculation as a failed one; the program goes on.
        EngineRun run;
        try {
            run = start(*relay);
            if (run.router) {
                QMetaObject::invokeMethod(relay.get(), &CalculationRelay::routerCreated, Qt::QueuedConnection);
                relay->connectRouter(run.router.get());
                run.router->calculateDistances(points);
            }
        } catch (const std::exception &error) {
            emit relay->calculationError(calculationFailed + QString::fromUtf8(error.what()));
        } catch (...) {
            emit relay->calculationError(calculationFailed);
        }
        // The router and its transfer objects belong to this thread, which runs
        // no event loop of its own: delete them here, deferred deletions included.
        run.router.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return WorkerOutcome{std::move(run.loaded)};
    }));
}

void MainWindow::workerFinished()
{
    workerRunning = false;
    workerRelay.reset();
    WorkerOutcome outcome = worker.future().takeResult();
    if (outcome.mapData)
        keepWorkerMapData(std::move(outcome.mapData));
    keepWorkerMapData = nullptr;
    // A run that stopped before its router existed has signalled nothing.
    busy = false;
}

CachedMapData<FOSSGISMapData>::Factory MainWindow::osrmMapDataFactory() const
{
    const QString server = ui->osmrServerInput->text();
    if (server.isEmpty())
        return {};
    return [server] { return new FOSSGISMapData(server); };
}

CachedMapData<OpenRouteServiceMapData>::Factory MainWindow::orsMapDataFactory() const
{
    const QString key = ui->orsUseDefaultApiInput->isChecked() ? ors_default_api_key() : ui->orsApiKeyInput->text();
    const QString server = ui->orsServerInput->text();
    if (key.isEmpty() || server.isEmpty())
        return {};
    return [server, key] { return new OpenRouteServiceMapData(server, key); };
}

void MainWindow::loadOrsMapData()
{
    orsMapData.load(orsMapDataFactory());
}

void MainWindow::mapDataError(QString text)
{
    calculationError(std::move(text));
    validateOverall();
}

void MainWindow::mapDataFinished()
{
    ui->progressBar->setValue(100);
    ui->progressBar->setFormat(QString());
    validateOverall();
}

void MainWindow::calculationProgress(float totalPercent, float percentIncrement, QString description)
{
    write_to_standard_error(description);
    if (percentIncrement > 0.0f)
        ui->progressBar->setValue(static_cast<int>(static_cast<float>(ui->progressBar->value()) + percentIncrement));
    else
        ui->progressBar->setValue(static_cast<int>(totalPercent));
    ui->progressBar->setFormat(description);
}

void MainWindow::calculationError(QString text)
{
    write_to_standard_error(text);
    const QString shown = text.isEmpty() ? calculationFailed : text;
    if (!shownErrors.contains(shown)) {
        shownErrors.insert(shown);
        show_error_message(shown);
    }
    ui->progressBar->setValue(0);
    ui->progressBar->setFormat(QString());
    busy = false;
}

void MainWindow::distancesCalculated(vector_2d_double points, vector_2d_int distances)
{
    lastPoints = points;
    lastDistances = distances;
    lastNames = locationNames;
    ui->progressBar->setValue(100);
    ui->progressBar->setFormat(QString());
    busy = false;
    displayDistances(std::move(points), std::move(distances));
    ui->copyCsvButton->setEnabled(true);
    validateOverall();
}

void MainWindow::osrmServerChanged(const QString &)
{
    osrmMapData.discard();
    validateOverall();
}

void MainWindow::orsApiOrServerChanged(const QString &)
{
    orsMapData.discard();
    validateOverall();
}

void MainWindow::orsApiKeyToggled(int state)
{
    ui->orsApiKeyInput->setEnabled(state == 0);
    ui->orsApiKeyInput->setPlaceholderText(state != 0 ? QStringLiteral("Bude použit výchozí, přednastavený klíč.")
                                                      : QStringLiteral("Vložte váš klíč API…"));
    orsMapData.discard();
    validateOverall();
}

void MainWindow::engineSelected(int)
{
    validateOverall();
}

void MainWindow::offlineBrowseMapFile()
{
    ui->offlineMapfileInput->setText(QFileDialog::getOpenFileName(
        this, QStringLiteral("Otevřít soubor s\u00a0mapou"), QStringLiteral("."), QStringLiteral("Mapy OSM (*.pbf)")));
    discardOfflineMapData();
}

void MainWindow::offlineFileChanged(const QString &)
{
    discardOfflineMapData();
}

void MainWindow::discardOfflineMapData()
{
    offlineCarMapData.discard();
    offlineFootMapData.discard();
    validateOverall();
}

void MainWindow::addLocationString()
{
    const QString text = ui->addressInput->text();
    if (is_coord_string(text)) {
        addToLocationsList(coord_string_to_vector(text), QString());
        ui->addressInput->clear();
        return;
    }
    if (!ui->orsTranslateToCoordsInput->isChecked())
        return;
    ui->addressAddButton->setEnabled(false);
    ui->addressInput->setEnabled(false);
    if (!resetAddresser()) {
        addLocationAddressError(QStringLiteral(
            "Adresu nelze převést na souřadnice: zadejte prosím adresu služby OpenRouteService a klíč API."));
        return;
    }
    addresser->locateAddress(ui->addressInput->text());
}

void MainWindow::addToLocationsList(std::vector<double> point, QString name)
{
    if (point.size() != 2)
        return;
    const QString key = coord_vector_to_string(point);
    for (int row = 0; row < ui->coordinateList->count(); ++row) {
        if (ui->coordinateList->item(row)->text() == key)
            return;
    }
    auto *item = new QListWidgetItem(key);
    item->setData(pointRole, QVariant::fromValue(point));
    ui->coordinateList->addItem(item);
    ui->addressList->addItem(name);
}

bool MainWindow::resetAddresser()
{
    loadOrsMapData();
    const std::shared_ptr<OpenRouteServiceMapData> mapData = orsMapData.object();
    if (!mapData)
        return false;
    addresser = std::make_unique<OpenRouteServiceAddresser>(mapData.get());
    addresserMapData = mapData;
    connect(addresser.get(), &Addresser::locationFound, this, &MainWindow::addLocationCoordinates);
    connect(addresser.get(), &Addresser::locationError, this, &MainWindow::addLocationAddressError);
    connect(addresser.get(), &Addresser::locationCancelled, this, &MainWindow::addLocationAddressCancelled);
    return true;
}

void MainWindow::addLocationCoordinates(std::vector<double> point, QString name)
{
    addToLocationsList(std::move(point), std::move(name));
    ui->addressInput->clear();
    ui->addressInput->setEnabled(true);
}

void MainWindow::addLocationAddressError(QString message)
{
    show_error_message(message.isEmpty() ? QStringLiteral("Nepodařilo se převést adresu na souřadnice.\r\n") : message);
    ui->addressInput->setEnabled(true);
    ui->addressAddButton->setEnabled(true);
    validateOverall();
}

void MainWindow::addLocationAddressCancelled()
{
    ui->addressInput->setEnabled(true);
    ui->addressAddButton->setEnabled(true);
    validateOverall();
}

void MainWindow::locationAddressChanged(const QString &text)
{
    ui->addressAddButton->setEnabled(ui->orsTranslateToCoordsInput->isChecked() ? !text.isEmpty()
                                                                               : is_coord_string(text));
    validateOverall();
}

void MainWindow::orsGeocodingToggled(int state)
{
    ui->addressInput->setPlaceholderText(state != 0 ? QStringLiteral("Zadejte adresu či souřadnice…")
                                                    : QStringLiteral("Zadejte souřadnice…"));
    validateOverall();
}

void MainWindow::locationSelected(int row)
{
    ui->addressDelButton->setEnabled(row >= 0);
    ui->addressList->setCurrentRow(row);
    ui->coordinateList->setCurrentRow(row);
}

void MainWindow::removeSelectedLocation()
{
    int row = ui->coordinateList->currentRow();
    if (row < 0)
        row = ui->addressList->currentRow();
    if (row < 0)
        return;
    delete ui->coordinateList->takeItem(row);
    delete ui->addressList->takeItem(row);
}

void MainWindow::clearLocations()
{
    ui->coordinateList->clear();
    ui->addressList->clear();
}

void MainWindow::displayDistances(vector_2d_double points, vector_2d_int distances)
{
    if (points.size() < 2 || !matrix_fits_points(points, distances))
        return;
    print_point_distances_csv(points, distances);
    std::fflush(stdout);
    populateTableWithDistances(points, distances);
    populateTextBrowserWithDistances(std::move(points), std::move(distances));
}

QString MainWindow::locationName(int index) const
{
    return index < lastNames.size() ? lastNames.at(index) : QString();
}

void MainWindow::populateTableWithDistances(vector_2d_double points, vector_2d_int distances)
{
    const int n = int(points.size());
    ui->distanceTable->clear();
    ui->distanceTable->setRowCount(n);
    ui->distanceTable->setColumnCount(n);
    const bool names = ui->actionShowNames->isChecked();
    for (int i = 0; i < n; ++i) {
        const QString name = locationName(i);
        const QString label = names && !name.isEmpty() ? name : coord_vector_to_string(points[i]);
        ui->distanceTable->setVerticalHeaderItem(i, new QTableWidgetItem(label));
        ui->distanceTable->setHorizontalHeaderItem(i, new QTableWidgetItem(label));
        for (int j = 0; j < n; ++j)
            ui->distanceTable->setItem(i, j, new QTableWidgetItem(QString::number(distances[i][j]) + QStringLiteral(" m")));
    }
}

void MainWindow::populateTextBrowserWithDistances(vector_2d_double points, vector_2d_int distances)
{
    ui->distanceText->clear();
    const bool withLocations = ui->actionCoordsInCSV->isChecked();
    const bool names = ui->actionShowNames->isChecked();
    const auto label = [&](int i) {
        return names ? coord_vector_w_label_to_string(points[i], locationName(i))
                     : coord_vector_to_colon_delimited_string(points[i]);
    };
    const int n = int(points.size());
    const QString lineEnd = QStringLiteral("\r\n");
    QString text;
    if (withLocations) {
        text += QLatin1Char(',');
        for (int i = 0; i < n; ++i)
            text += (i > 0 ? QStringLiteral(",") : QString()) + label(i);
        text += lineEnd;
    }
    for (int i = 0; i < n; ++i) {
        if (withLocations)
            text += label(i) + QLatin1Char(',');
        for (int j = 0; j < n; ++j)
            text += (j > 0 ? QStringLiteral(",") : QString()) + QString::number(distances[i][j]);
        text += lineEnd;
    }
    ui->distanceText->insertPlainText(text);
}

void MainWindow::repopulateTableAndCSV(bool)
{
    if (busy || !matrix_fits_points(lastPoints, lastDistances))
        return;
    populateTableWithDistances(lastPoints, lastDistances);
    populateTextBrowserWithDistances(lastPoints, lastDistances);
}

void MainWindow::copyCSVData()
{
    QGuiApplication::clipboard()->setText(ui->distanceText->toPlainText(), QClipboard::Clipboard);
}

void MainWindow::openAboutWindow()
{
    auto *about = new AboutWindow(this);
    about->open();
}
