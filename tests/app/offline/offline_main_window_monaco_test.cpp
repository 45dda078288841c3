#include "tests/app/offline/offline_test_support.h"
#include "tests/support/test_data.h"

#include <QDir>
#include <QProgressBar>

namespace {

using Car = Routing::SimpleOSMCarRoutingGraph;
using Foot = Routing::SimpleOSMPedestrianRoutingGraph;

TEST_F(OfflineWindowTest, CalculatesOnTheRealExtractLoadingEachGraphOncePerMapFile)
{
    REQUIRE_MONACO_PBF(path);
    ASSERT_NE(monaco_map_data<Car>(path), nullptr);
    ASSERT_NE(monaco_map_data<Foot>(path), nullptr);
    const vector_2d_double points = {{43.7384, 7.4246}, {43.7311, 7.4197}, {43.7496, 7.4373}};
    for (const char *point : {"43.7384, 7.4246", "43.7311, 7.4197", "43.7496, 7.4373"})
        enter(point);
    OfflineRouter<Car> carRouter(monaco_map_data<Car>(path));
    OfflineRouter<Foot> footRouter(monaco_map_data<Foot>(path));
    const vector_2d_int byCar = run_router(carRouter, points).matrix;
    const vector_2d_int onFoot = run_router(footRouter, points).matrix;
    ASSERT_NE(byCar, onFoot);

    browseMapFile(QDir::cleanPath(QString::fromStdString(path)));
    const QStringList loading = {"Čtení mapových dat…", "Výpočet inverzních vektorů…",
                                 "Tvorba kontrakční hierarchie…", "Mapové údaje byly úspěšně načteny…"};
    struct Step
    {
        int travelType;
        const vector_2d_int &matrix;
        QStringList loading;
    };
    for (const Step &step : {Step{0, byCar, loading}, Step{1, onFoot, loading}, Step{0, byCar, {}}}) {
        travel(step.travelType);
        EXPECT_EQ(calculateCapturing(), standard_output_of(step.matrix));
        EXPECT_EQ(loadingLines(), step.loading);
        expectShown(step.matrix);
        EXPECT_TRUE(takeErrorMessages().isEmpty());
        EXPECT_TRUE(button("calculateButton")->isEnabled());
    }

    // Another file discards both graphs. A broken one fails, and is read again on every try.
    TemporaryFolder folder;
    line("offlineMapfileInput")->setText(QString::fromStdString(folder.write("broken.osm.pbf", "Monaco")));
    for (const int travelType : {0, 0, 1}) {
        travel(travelType);
        EXPECT_EQ(calculateCapturing(), "");
        EXPECT_EQ(loadingLines(), QStringList({loading[0]}));
        const QStringList messages = takeErrorMessages();
        ASSERT_EQ(messages.size(), 1);
        EXPECT_TRUE(messages[0].startsWith("Čtení mapových dat selhalo.\n")) << messages[0].toStdString();
        EXPECT_EQ(find<QProgressBar>("progressBar")->value(), 0);
        EXPECT_TRUE(button("calculateButton")->isEnabled());
        expectShown(byCar);
    }
}

} // namespace
