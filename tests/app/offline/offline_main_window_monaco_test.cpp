#include "tests/app/offline/offline_test_support.h"
#include "tests/support/test_data.h"

namespace {

// Each graph is loaded once per map file; another file discards both, and a
// broken one fails on every try, the last result still shown.
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
    const vector_2d_int byCar = run_router(carRouter, points).matrix, onFoot = run_router(footRouter, points).matrix;
    ASSERT_NE(byCar, onFoot);

    line("offlineMapfileInput")->setText(QString::fromStdString(path));
    for (const auto &[travelType, matrix, loads] : {std::tuple{0, byCar, true}, {1, onFoot, true}, {0, byCar, false}}) {
        travel(travelType);
        expectCalculated(matrix, matrix);
        EXPECT_EQ(loadingLines(), loads ? loadingSteps : QStringList());
        EXPECT_TRUE(takeErrorMessages().isEmpty());
        EXPECT_TRUE(button("calculateButton")->isEnabled());
    }

    TemporaryFolder folder;
    line("offlineMapfileInput")->setText(QString::fromStdString(folder.write("broken.osm.pbf", "Monaco")));
    for (const int travelType : {0, 0, 1}) {
        travel(travelType);
        expectCalculated({}, byCar);
        EXPECT_EQ(loadingLines(), loadingSteps.mid(0, 1));
        const QStringList messages = takeErrorMessages();
        ASSERT_EQ(messages.size(), 1);
        EXPECT_TRUE(messages[0].startsWith("Čtení mapových dat selhalo.\n")) << messages[0].toStdString();
        EXPECT_EQ(find<QProgressBar>("progressBar")->value(), 0);
        EXPECT_TRUE(button("calculateButton")->isEnabled());
    }
}

} // namespace
