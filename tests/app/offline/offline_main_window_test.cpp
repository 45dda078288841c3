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

} // namespace
