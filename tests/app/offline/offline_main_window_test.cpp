#include "tests/app/offline/offline_test_support.h"

namespace {

// A file with ways for pedestrians only: the matrix on foot, and by car the
// loading error without a matrix, even though the pedestrian graph is loaded.
TEST_F(OfflineWindowTest, TravelByCarNeedsTheCarGraph)
{
    TemporaryFolder folder;
    const QString path = QString::fromStdString(write_footway_pbf(folder));
    for (const char *point : {"43.73, 7.42", "43.731, 7.42", "43.731, 7.421"})
        enter(point);
    OfflineMapData<Foot> mapData(false, path.toStdString());
    ASSERT_TRUE(mapData.loadMap());
    OfflineRouter<Foot> router(&mapData);
    const vector_2d_int onFoot = run_router(router, footwayNodes).matrix;

    browseMapFile(QString());
    EXPECT_FALSE(button("calculateButton")->isEnabled());
    browseMapFile(path);
    travel(1);
    expectCalculated(onFoot, onFoot);

    travel(0);
    expectCalculated({}, onFoot);
    EXPECT_EQ(takeErrorMessages(), QStringList({"Čtení mapových dat selhalo. Je daný soubor ve formátu PBF?"}));
    EXPECT_EQ(loadingLines(), loadingSteps.mid(0, 1));
}

} // namespace
