#include "app/engines/router.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <climits>
#include <utility>

namespace {

// Distance = 100 * origin index + destination index, looked up by latitude,
// so every cell shows which pair produced it.
class FakeRouter : public Router
{
public:
    std::vector<std::pair<int, int>> calls;
    int (*override_value)(int, int) = nullptr;

    int pointDistance(double lat1, double, double lat2, double) override
    {
        const int from = static_cast<int>(lat1), to = static_cast<int>(lat2);
        calls.emplace_back(from, to);
        return override_value ? override_value(from, to) : 100 * from + to;
    }
};

vector_2d_double points_with_indices_as_latitude(int n)
{
    vector_2d_double points;
    for (int i = 0; i < n; ++i)
        points.push_back({double(i), 14.0});
    return points;
}

// The bar values a receiver following the progress convention would show.
std::vector<int> bar_values(const QSignalSpy &progress)
{
    std::vector<int> values;
    float bar = 0.0f;
    for (const QList<QVariant> &signal : progress) {
        const float total = signal.at(0).toFloat(), increment = signal.at(1).toFloat();
        bar = increment > 0.0f ? float(int(bar + increment)) : float(int(total));
        values.push_back(int(bar));
    }
    return values;
}

} // namespace

TEST(PairwiseLoop, CallsEveryOrderedPairOnceAndLeavesTheDiagonalZero)
{
    for (int n : {1, 2, 3, 7}) {
        FakeRouter router;
        QSignalSpy result(&router, &Router::distancesCalculated);
        router.calculateDistances(points_with_indices_as_latitude(n));

        EXPECT_EQ(router.calls.size(), size_t(n * (n - 1))) << n;
        ASSERT_EQ(result.size(), 1);
        const auto points = result.at(0).at(0).value<vector_2d_double>();
        const auto matrix = result.at(0).at(1).value<vector_2d_int>();
        EXPECT_EQ(points, points_with_indices_as_latitude(n));
        ASSERT_EQ(matrix.size(), size_t(n));
        for (int i = 0; i < n; ++i) {
            ASSERT_EQ(matrix[i].size(), size_t(n));
            for (int j = 0; j < n; ++j)
                EXPECT_EQ(matrix[i][j], i == j ? 0 : 100 * i + j) << i << "," << j;
        }
    }
}

TEST(PairwiseLoop, EqualCoordinatesStillCallOffTheDiagonal)
{
    FakeRouter router;
    router.calculateDistances({{1.0, 2.0}, {1.0, 2.0}});
    EXPECT_EQ(router.calls.size(), 2u);
}

TEST(PairwiseLoop, ProgressFollowsTheRowsWithTheIntegerIncrement)
{
    std::vector<int> fifty_then_zeros(52, 0);
    fifty_then_zeros[0] = 50;
    const struct {
        int n;
        float increment;
        std::vector<int> bars;
    } cases[] = {
        {2, 25.0f, {50, 75, 100}},
        {3, 16.0f, {50, 66, 82, 98}},
        {51, 0.0f, fifty_then_zeros},
    };
    for (const auto &c : cases) {
        FakeRouter router;
        QSignalSpy progress(&router, &Router::calculationProgress);
        router.calculateDistances(points_with_indices_as_latitude(c.n));

        ASSERT_EQ(progress.size(), c.n + 1);
        EXPECT_EQ(progress.at(0).at(0).toFloat(), 50.0f);
        EXPECT_EQ(progress.at(0).at(1).toFloat(), 0.0f);
        for (int row = 1; row <= c.n; ++row) {
            EXPECT_EQ(progress.at(row).at(0).toFloat(), 0.0f);
            EXPECT_EQ(progress.at(row).at(1).toFloat(), c.increment) << c.n;
        }
        for (const QList<QVariant> &signal : progress)
            EXPECT_EQ(signal.at(2).toString(), QStringLiteral("Počítání vzdáleností…"));
        EXPECT_EQ(bar_values(progress), c.bars) << c.n;
    }
}

TEST(PairwiseLoop, PassesNegativeAndUnreachableValuesThrough)
{
    FakeRouter router;
    router.override_value = [](int from, int to) {
        if (from == 0)
            return -2;
        return to == 0 ? -1 : INT_MAX;
    };
    QSignalSpy result(&router, &Router::distancesCalculated);
    router.calculateDistances(points_with_indices_as_latitude(3));

    ASSERT_EQ(result.size(), 1);
    const auto matrix = result.at(0).at(1).value<vector_2d_int>();
    EXPECT_EQ(matrix, (vector_2d_int{{0, -2, -2}, {-1, 0, INT_MAX}, {-1, INT_MAX, 0}}));
}

TEST(PairwiseLoop, EmptyListGivesAnEmptyMatrix)
{
    FakeRouter router;
    QSignalSpy progress(&router, &Router::calculationProgress);
    QSignalSpy result(&router, &Router::distancesCalculated);
    router.calculateDistances({});

    EXPECT_TRUE(router.calls.empty());
    ASSERT_EQ(progress.size(), 1);
    EXPECT_EQ(progress.at(0).at(0).toFloat(), 50.0f);
    ASSERT_EQ(result.size(), 1);
    EXPECT_TRUE(result.at(0).at(0).value<vector_2d_double>().empty());
    EXPECT_TRUE(result.at(0).at(1).value<vector_2d_int>().empty());
}

TEST(PairwiseLoop, MapDataDefaultLoadFinishesAtOnce)
{
    MapData data(false);
    QSignalSpy finished(&data, &MapData::mapDataFinished);
    EXPECT_TRUE(data.loadMap());
    EXPECT_EQ(finished.size(), 1);
    EXPECT_FALSE(data.travelByCar);
}
