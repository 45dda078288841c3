#include "routing/core/constants.h"
#include "routing/core/geo_position_to_node.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <stdexcept>
#include <vector>

using Routing::GeoPositionToNode;
using Routing::invalid_id;
using Result = GeoPositionToNode::NearestNeighborhoodQueryResult;

namespace {

// The oracle's distance: spherical law of cosines in double precision, with
// the cosine kept within [-1, 1]; NaN for non-finite coordinates.
float distance_m(float lat1, float lon1, float lat2, float lon2)
{
    const double deg = 0.017453292519944444;
    const double a = std::cos((double(lat1) - double(lat2)) * deg);
    const double b = std::cos((double(lat1) + double(lat2)) * deg);
    const double c = ((a + b) * std::cos((double(lon1) - double(lon2)) * deg) + (a - b)) * 0.5;
    return static_cast<float>(std::acos(c > 1 ? 1 : c < -1 ? -1 : c) * 6371000.785);
}

struct Positions {
    std::vector<float> latitude, longitude;
};

// Random positions in a square around (latitude, longitude), a tenth of them
// repeated, the longitude wrapped into [-180, 180).
Positions random_positions(std::mt19937& rng, float latitude, float longitude, float spread, std::size_t n)
{
    std::uniform_real_distribution<float> offset(-spread, spread);
    Positions p;
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t j = i > 0 && rng() % 10 == 0 ? rng() % i : i;
        const float lon = longitude + offset(rng);
        p.latitude.push_back(j < i ? p.latitude[j] : latitude + offset(rng));
        p.longitude.push_back(j < i ? p.longitude[j] : lon >= 180 ? lon - 360 : lon < -180 ? lon + 360 : lon);
    }
    return p;
}

// Both queries at random positions and at node positions, against a scan over
// all nodes. Over a town the tree's single-precision haversine splits agree
// with the query distance to well below a metre, so the answers must be
// exact. (Near the pole and over half the globe they disagree by metres to
// kilometres, and nodes close to the pruning bound can be passed over.)
TEST(GeoPositionToNode, MatchesBruteForceAcrossSizesAndRegions)
{
    // Monaco, the antimeridian, Svalbard.
    const std::pair<float, float> regions[] = {{43.73f, 7.42f}, {-17.0f, 179.99f}, {78.2f, 15.6f}};
    const float non_finite[] = {std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                                std::numeric_limits<float>::quiet_NaN()};
    std::mt19937 rng(42);
    for (const auto &[latitude, longitude] : regions) {
        for (std::size_t n : {0, 1, 2, 8, 9, 17, 1000, 100000}) {
            SCOPED_TRACE(testing::Message() << latitude << ", " << longitude << ": " << n << " nodes");
            Positions nodes = random_positions(rng, latitude, longitude, 0.03f, n);
            const std::size_t query_count = n < 1000 ? 30 : 4;
            Positions queries = random_positions(rng, latitude, longitude, 0.04f, query_count);
            for (std::size_t i = 0; i < std::min(n, query_count); ++i) {
                queries.latitude.push_back(nodes.latitude[i * 7 % n]);
                queries.longitude.push_back(nodes.longitude[i * 7 % n]);
            }
            // Nodes at non-finite positions are never found and hide no others.
            for (std::size_t i = 6; i < n; i += 7)
                (i % 2 ? nodes.latitude : nodes.longitude)[i] = non_finite[i % 3];

            const GeoPositionToNode index(nodes.latitude, nodes.longitude);
            for (std::size_t q = 0; q < queries.latitude.size(); ++q) {
                const float lat = queries.latitude[q], lon = queries.longitude[q];
                for (float radius : {0.0f, 30.0f, 500.0f, 2000.0f, 3e7f}) {
                    SCOPED_TRACE(testing::Message() << lat << ", " << lon << " within " << radius);
                    std::vector<std::pair<unsigned, float>> expected, all;
                    for (unsigned i = 0; i < n; ++i)
                        if (const float d = distance_m(lat, lon, nodes.latitude[i], nodes.longitude[i]); d <= radius)
                            expected.emplace_back(i, d);
                    const Result found = index.find_nearest_neighbor_within_radius(lat, lon, radius);
                    const auto nearest = std::min_element(expected.begin(), expected.end(),
                                                          [](auto a, auto b) { return a.second < b.second; });
                    ASSERT_EQ(found.distance, nearest == expected.end() ? radius : nearest->second);
                    ASSERT_TRUE(nearest == expected.end() ? found.id == invalid_id
                                                          : std::count(expected.begin(), expected.end(),
                                                                       std::pair{found.id, found.distance}) == 1);
                    for (const Result& r : index.find_all_nodes_within_radius(lat, lon, radius))
                        all.emplace_back(r.id, r.distance);
                    std::sort(all.begin(), all.end());
                    ASSERT_EQ(all, expected);
                }
            }
        }
    }
}

TEST(GeoPositionToNode, SmallCases)
{
    const Result near = GeoPositionToNode({50.0f}, {14.0f}).find_nearest_neighbor_within_radius(50.0f, 14.01f, 2000);
    EXPECT_EQ(near.id, 0u);
    EXPECT_NEAR(near.distance, 715.0f, 1.0f);

    // Of equal distances, the element examined last wins.
    const GeoPositionToNode twins({50.0f, 50.0f}, {14.0f, 14.0f});
    EXPECT_EQ(twins.find_nearest_neighbor_within_radius(50.0f, 14.001f, 2000).id, 1u);

    // Latitude and longitude vectors of different lengths are refused.
    EXPECT_THROW(GeoPositionToNode({1.0f, 2.0f}, {1.0f}), std::invalid_argument);
    EXPECT_THROW(GeoPositionToNode({}, {1.0f}), std::invalid_argument);
}

} // namespace
