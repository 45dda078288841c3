#include "tests/app/offline/offline_test_support.h"

#include <QDir>
#include <QFileDialog>
#include <QTimer>

namespace {

// The map file is picked in the file dialog. A file with ways for pedestrians
// only gives the matrix on foot; by car, the car graph fails to load, which
// is shown first, and the pedestrian graph loaded before gives the matrix.
TEST_F(OfflineWindowTest, TravelByCarFallsBackOnThePedestrianGraphLoadedBefore)
{
    TemporaryFolder folder;
    const QString path = QString::fromStdString(write_footway_pbf(folder));
    const vector_2d_double points = {{43.73, 7.42}, {43.731, 7.42}, {43.731, 7.421}};
    for (const std::vector<double> &point : points)
        enter(QStringLiteral("%1, %2").arg(point[0]).arg(point[1]));
    OfflineMapData<Foot> mapData(false, path.toStdString());
    ASSERT_TRUE(mapData.loadMap());
    OfflineRouter<Foot> router(&mapData);
    const vector_2d_int onFoot = run_router(router, points).matrix;

    // Clicks "Procházet…" and picks the file in the dialog, or cancels it when there is none.
    const auto browse = [this](const QString &file) {
        QStringList seen;
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (dialog == nullptr)
                return;
            answer.stop();
            seen = QStringList({dialog->windowTitle(), dialog->directory().absolutePath()}) + dialog->nameFilters();
            // Typed as the user would: selectFile leaves alone a name field that has the focus.
            dialog->findChild<QLineEdit *>("fileNameEdit")->setText(file);
            if (!file.isEmpty())
                static_cast<QDialog *>(dialog)->accept();
            if (dialog->isVisible())
                dialog->reject();
        });
        answer.start(10);
        QTest::mouseClick(button("offlineMapfileExploreButton"), Qt::LeftButton);
        EXPECT_EQ(seen, QStringList({"Otevřít soubor s\u00a0mapou", QDir::currentPath(), "Mapy OSM (*.pbf)"}));
        EXPECT_EQ(line("offlineMapfileInput")->text(), file);
    };
    browse(QString());
    EXPECT_FALSE(button("calculateButton")->isEnabled());
    browse(path);
    travel(1);
    expectCalculated(onFoot, onFoot);

    travel(0);
    expectCalculated(onFoot, onFoot);
    const QString failed = "Čtení mapových dat selhalo. Je daný soubor ve formátu PBF?";
    EXPECT_EQ(takeErrorMessages(), QStringList({failed}));
    EXPECT_EQ(loadingLines(), loadingSteps.mid(0, 1));
    ASSERT_TRUE(errorLines.contains(failed));
    EXPECT_LT(errorLines.indexOf(failed), errorLines.indexOf("Počítání vzdáleností…"));

    // Without pedestrian map data there is nothing to fall back on.
    line("offlineMapfileInput")->clear();
    line("offlineMapfileInput")->setText(path);
    expectCalculated({}, onFoot);
    EXPECT_EQ(takeErrorMessages(), QStringList({failed}));
}

// Locations far from every road of the map: each is shown in one dialog per
// calculation, however many pairs report it, while standard error keeps every
// report and the matrix its -2 and -1 cells.
TEST_F(OfflineWindowTest, ShowsEachFarLocationOncePerCalculation)
{
    TemporaryFolder folder;
    const QString path = QString::fromStdString(write_footway_pbf(folder));
    const vector_2d_double points = {
        {43.73, 7.42}, {50.0755381, 14.4378005}, {43.731, 7.42}, {49.1950602, 16.6068371}, {43.731, 7.421}};
    for (const std::vector<double> &point : points)
        enter(QStringLiteral("%1, %2").arg(point[0], 0, 'g', 9).arg(point[1], 0, 'g', 9));
    OfflineMapData<Foot> mapData(false, path.toStdString());
    ASSERT_TRUE(mapData.loadMap());
    OfflineRouter<Foot> router(&mapData);
    const vector_2d_int matrix = run_router(router, points).matrix;
    for (const int far : {1, 3}) {
        for (int other = 0; other < 5; ++other) {
            EXPECT_EQ(matrix[far][other], other == far ? 0 : -2);
            EXPECT_EQ(matrix[other][far], other == far ? 0 : other % 2 ? -2 : -1);
        }
    }

    const QString prague = "Nebyl nalezen žádný bod v\u00a0blízkosti dané adresy (50.0755381,14.4378005).";
    const QString brno = "Nebyl nalezen žádný bod v\u00a0blízkosti dané adresy (49.1950602,16.6068371).";
    line("offlineMapfileInput")->setText(path);
    travel(1);
    for (int calculation = 0; calculation < 2; ++calculation) {
        expectCalculated(matrix, matrix);
        QStringList shown = takeErrorMessages(); // in no particular order
        shown.sort();
        EXPECT_EQ(shown, QStringList({brno, prague}));
        // Every pair that involves the location, but the one from the other far location.
        EXPECT_EQ(errorLines.count(prague), 7);
        EXPECT_EQ(errorLines.count(brno), 7);
    }
}

} // namespace
