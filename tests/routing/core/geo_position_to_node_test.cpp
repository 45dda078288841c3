#include "routing/core/constants.h"
#include "routing/core/geo_position_to_node.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <stdexcept>
#include <string>
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

struct Query {
    float latitude, longitude;
};

// Compares both queries with a scan over all nodes. The tree splits by a
// single-precision haversine distance but searches by the double-precision
// law of cosines; where the two disagree, a node within `slack` of the
// pruning bound may be passed over. Over a town they agree to well below a
// metre and the answers must be exact; single precision is off by metres at
// the pole and by up to 1.5 km between near-antipodal points.
void expect_matches_brute_force(const Positions& nodes, const std::vector<Query>& queries,
                                const std::vector<float>& radii, float slack = 0)
{
    const GeoPositionToNode index(nodes.latitude, nodes.longitude);
    for (const Query& q : queries) {
        std::vector<float> distance(nodes.latitude.size());
        for (std::size_t i = 0; i < distance.size(); ++i)
            distance[i] = distance_m(q.latitude, q.longitude, nodes.latitude[i], nodes.longitude[i]);
        for (float radius : radii) {
            SCOPED_TRACE(testing::Message() << "query " << q.latitude << ", " << q.longitude << " radius " << radius);
            std::vector<unsigned> must_find;
            float nearest = std::numeric_limits<float>::infinity();
            for (unsigned i = 0; i < distance.size(); ++i) {
                if (distance[i] <= radius)
                    nearest = std::min(nearest, distance[i]);
                if (distance[i] <= radius - slack)
                    must_find.push_back(i);
            }

            const Result found = index.find_nearest_neighbor_within_radius(q.latitude, q.longitude, radius);
            if (found.id == invalid_id) {
                EXPECT_EQ(found.distance, radius);
                EXPECT_TRUE(must_find.empty()) << "missed a node at " << nearest << " m";
            } else {
                ASSERT_LT(found.id, distance.size());
                EXPECT_EQ(found.distance, distance[found.id]);
                EXPECT_GE(found.distance, nearest);
                EXPECT_LE(found.distance, nearest + slack);
            }

            std::vector<Result> all = index.find_all_nodes_within_radius(q.latitude, q.longitude, radius);
            std::sort(all.begin(), all.end(), [](Result a, Result b) { return a.id < b.id; });
            std::size_t next = 0;
            for (std::size_t i = 0; i < all.size(); ++i) {
                ASSERT_LT(all[i].id, distance.size());
                EXPECT_EQ(all[i].distance, distance[all[i].id]);
                EXPECT_LE(all[i].distance, radius);
                if (i > 0) {
                    EXPECT_NE(all[i].id, all[i - 1].id);
                }
                if (next < must_find.size() && must_find[next] == all[i].id)
                    ++next;
            }
            EXPECT_EQ(next, must_find.size()) << "missed a node within the radius";
        }
    }
}

struct Region {
    std::string name;
    float latitude, longitude;
    // Half the side of the square, in degrees.
    float spread;
    float slack;
};

// Random positions in a region, a tenth of them repeated, the longitude
// wrapped into [-180, 180) and the latitude kept within the poles.
Positions random_positions(std::mt19937& rng, const Region& region, std::size_t n)
{
    std::uniform_real_distribution<float> offset(-region.spread, region.spread);
    Positions p;
    for (std::size_t i = 0; i < n; ++i) {
        if (i > 0 && rng() % 10 == 0) {
            const std::size_t j = rng() % i;
            p.latitude.push_back(p.latitude[j]);
            p.longitude.push_back(p.longitude[j]);
            continue;
        }
        float lon = region.longitude + offset(rng);
        if (lon >= 180)
            lon -= 360;
        if (lon < -180)
            lon += 360;
        p.latitude.push_back(std::clamp(region.latitude + offset(rng), -90.0f, 90.0f));
        p.longitude.push_back(lon);
    }
    return p;
}

std::vector<Query> queries_for(std::mt19937& rng, const Region& region, const Positions& nodes, std::size_t count)
{
    std::vector<Query> queries;
    Region wider = region;
    wider.spread *= 1.2f;
    const Positions random = random_positions(rng, wider, count);
    for (std::size_t i = 0; i < count; ++i) {
        queries.push_back({random.latitude[i], random.longitude[i]});
        if (!nodes.latitude.empty()) {
            const std::size_t j = rng() % nodes.latitude.size();
            queries.push_back({nodes.latitude[j], nodes.longitude[j]});
        }
    }
    return queries;
}

TEST(GeoPositionToNode, MatchesBruteForceAcrossSizesAndRegions)
{
    const Region regions[] = {
        {"Monaco", 43.73f, 7.42f, 0.02f, 0},
        {"across the antimeridian", -17.0f, 179.99f, 0.03f, 0},
        {"Svalbard", 78.2f, 15.6f, 0.03f, 0},
        {"whole globe", 0.0f, 0.0f, 180.0f, 2000},
    };
    const std::vector<float> radii = {0.0f, 30.0f, 500.0f, 2000.0f, 3e7f};
    std::mt19937 rng(42);
    for (const Region& region : regions) {
        for (std::size_t n : {0, 1, 2, 8, 9, 17, 1000, 100000}) {
            SCOPED_TRACE(testing::Message() << region.name << ", " << n << " nodes");
            const Positions nodes = random_positions(rng, region, n);
            expect_matches_brute_force(nodes, queries_for(rng, region, nodes, n >= 100000 ? 4 : 25), radii,
                                       region.slack);
            if (testing::Test::HasFatalFailure())
                return;
        }
    }
}

TEST(GeoPositionToNode, SmallCases)
{
    const GeoPositionToNode empty({}, {});
    const Result none = empty.find_nearest_neighbor_within_radius(50, 14, 2000);
    EXPECT_EQ(none.id, invalid_id);
    EXPECT_EQ(none.distance, 2000.0f);
    EXPECT_TRUE(empty.find_all_nodes_within_radius(50, 14, 1e9f).empty());

    const GeoPositionToNode one({50.0f}, {14.0f});
    const Result near = one.find_nearest_neighbor_within_radius(50.0f, 14.01f, 2000);
    EXPECT_EQ(near.id, 0u);
    EXPECT_NEAR(near.distance, 715.0f, 1.0f);
    const Result too_far = one.find_nearest_neighbor_within_radius(50.0f, 14.01f, 500);
    EXPECT_EQ(too_far.id, invalid_id);
    EXPECT_EQ(too_far.distance, 500.0f);

    // Of equal distances, the element examined last wins.
    const GeoPositionToNode twins({50.0f, 50.0f}, {14.0f, 14.0f});
    EXPECT_EQ(twins.find_nearest_neighbor_within_radius(50.0f, 14.001f, 2000).id, 1u);
}

TEST(GeoPositionToNode, PositionsAtAndNextToThePole)
{
    // In single precision the cosine of 90 degrees is slightly negative, which
    // makes the split distance of some positions next to the pole NaN.
    std::mt19937 rng(8);
    std::uniform_real_distribution<float> longitude(-180, 180);
    std::uniform_real_distribution<float> near_pole(89.995f, 90.0f);
    const float latitudes[] = {90.0f, std::nextafter(90.0f, 0.0f), 0};
    Positions nodes;
    std::vector<Query> queries;
    for (int i = 0; i < 3000; ++i) {
        nodes.latitude.push_back(i % 3 == 2 ? near_pole(rng) : latitudes[i % 3]);
        nodes.longitude.push_back(longitude(rng));
        if (i % 30 == 0)
            queries.push_back({nodes.latitude.back(), longitude(rng)});
    }
    expect_matches_brute_force(nodes, queries, {10.0f, 100.0f, 400.0f}, 5.0f);
}

TEST(GeoPositionToNode, NonFinitePositionsAreNeverFoundAndHideNoOthers)
{
    std::mt19937 rng(13);
    const Region region = {"Monaco", 43.73f, 7.42f, 0.02f, 0};
    Positions nodes = random_positions(rng, region, 5000);
    const float bad[] = {std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                         std::numeric_limits<float>::quiet_NaN()};
    for (std::size_t i = 0; i < nodes.latitude.size(); i += 7)
        (i % 2 ? nodes.latitude : nodes.longitude)[i] = bad[i % 3];
    expect_matches_brute_force(nodes, queries_for(rng, region, nodes, 100), {100.0f, 2000.0f, 3e7f});
}

TEST(GeoPositionToNode, LatitudeAndLongitudeOfDifferentLengthsAreRefused)
{
    EXPECT_THROW(GeoPositionToNode({1.0f, 2.0f}, {1.0f}), std::invalid_argument);
    EXPECT_THROW(GeoPositionToNode({}, {1.0f}), std::invalid_argument);
}

} // namespace
