#include "app/engines/router.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <climits>

namespace {

// The latitude carries the point's index. Each cell names its pair; the pairs
// (0,1) and (1,0) answer with the codes for "no node near" and "unreachable".
int fake_distance(int from, int to)
{
    return from == 0 && to == 1 ? -2 : from == 1 && to == 0 ? INT_MAX : 100 * from + to;
}

class FakeRouter : public Router
{
public:
    int calls = 0;
    int pointDistance(double lat1, double, double lat2, double) override
    {
        ++calls;
        return fake_distance(int(lat1), int(lat2));
    }
};

} // namespace

// Every ordered pair but the diagonal once; progress 50, then one signal per
// row with the integer part of 50 / n (0 from 51 points on).
TEST(PairwiseLoop, CallsEveryOrderedPairOnceAndReportsEachRow)
{
    for (const auto &[n, increment] : {std::pair{0, 0.0f}, {2, 25.0f}, {3, 16.0f}, {7, 7.0f}, {51, 0.0f}}) {
        SCOPED_TRACE(n);
        vector_2d_double points;
        for (int i = 0; i < n; ++i)
            points.push_back({double(i), 14.0});
        FakeRouter router;
        QSignalSpy progress(&router, &Router::calculationProgress);
        QSignalSpy result(&router, &Router::distancesCalculated);
        router.calculateDistances(points);

        EXPECT_EQ(router.calls, n * (n - 1));
        ASSERT_EQ(progress.size(), n + 1);
        for (int signal = 0; signal <= n; ++signal) {
            EXPECT_EQ(progress.at(signal), QVariantList({signal == 0 ? 50.0f : 0.0f, signal == 0 ? 0.0f : increment,
                                                         QStringLiteral("Počítání vzdáleností…")}));
        }
        vector_2d_int expected(size_t(n), std::vector<int>(size_t(n), 0));
        for (int i = 0; i < n; ++i) {
            for (int j = 0; j < n; ++j)
                expected[size_t(i)][size_t(j)] = i == j ? 0 : fake_distance(i, j);
        }
        ASSERT_EQ(result.size(), 1);
        EXPECT_EQ(result.at(0).at(0).value<vector_2d_double>(), points);
        EXPECT_EQ(result.at(0).at(1).value<vector_2d_int>(), expected);
    }

    // Only the diagonal is skipped, not a pair of equal points.
    FakeRouter router;
    router.calculateDistances({{1.0, 2.0}, {1.0, 2.0}});
    EXPECT_EQ(router.calls, 2);
}
