#include "routing/core/geo_position_to_node.h"

#include "routing/core/constants.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>

namespace Routing {

namespace {

constexpr std::size_t max_leaf_size = 8;

using PointPosition = GeoPositionToNode::PointPosition;

// Great-circle distance in metres by the spherical law of cosines, in double
// precision. Rounding can push the cosine just past 1 (say for two equal
// points), which must give 0 m, not NaN.
float query_distance(PointPosition a, PointPosition b)
{
    constexpr double deg = 0.017453292519944444;
    constexpr double earth_radius = 6371000.785;
    const double lat1 = a.latitude, lon1 = a.longitude, lat2 = b.latitude, lon2 = b.longitude;
    const double A = std::cos((lat1 - lat2) * deg);
    const double B = std::cos((lat1 + lat2) * deg);
    const double cosine = ((A + B) * std::cos((lon1 - lon2) * deg) + (A - B)) * 0.5;
    return static_cast<float>(std::acos(std::clamp(cosine, -1.0, 1.0)) * earth_radius);
}

struct PointRecord {
    float latitude;
    float longitude;
    unsigned node_id;
    // To the vantage point of the range that currently holds the record.
    float distance;
};

// Haversine distance in metres in single precision, used for the splits below
// the first vantage point.
float build_distance(const PointRecord& vantage, const PointRecord& p)
{
    const float deg = std::bit_cast<float>(uint32_t{0x3C8EFA36});
    const float lat0 = vantage.latitude * deg, lon0 = vantage.longitude * deg;
    const float lat = p.latitude * deg, lon = p.longitude * deg;
    const float s1 = std::sin((lat - lat0) * 0.5f);
    const float s2 = std::sin((lon - lon0) * 0.5f);
    const float a = std::cos(lat) * std::cos(lat0) * s2 * s2 + s1 * s1;
    return std::atan2(std::sqrt(a), std::sqrt(1 - a)) * 12742002.0f;
}

// Orders by distance with NaN last, so that the selection always sees a strict
// weak order. NaN comes from non-finite coordinates, and from positions next
// to the pole, where the single-precision cosine of 90 degrees is negative and
// can make the haversine term negative.
bool nearer(const PointRecord& a, const PointRecord& b)
{
    const auto key = [](float d) { return std::isnan(d) ? std::numeric_limits<float>::infinity() : d; };
    return key(a.distance) < key(b.distance);
}

void construct_tree(std::vector<PointRecord>& records, std::size_t begin, std::size_t end)
{
    while (end - begin > max_leaf_size) {
        const std::size_t middle = begin + (end - begin) / 2;
        std::nth_element(records.begin() + begin + 1, records.begin() + middle, records.begin() + end, nearer);
        construct_tree(records, begin, middle);
        for (std::size_t i = middle; i < end; ++i)
            records[i].distance = build_distance(records[middle], records[i]);
        begin = middle;
    }
}

} // namespace

GeoPositionToNode::GeoPositionToNode(const std::vector<float>& latitude, const std::vector<float>& longitude)
{
    if (latitude.size() != longitude.size())
        throw std::invalid_argument("GeoPositionToNode: latitude and longitude vectors differ in length");
    const std::size_t n = latitude.size();
    // Node ids are 32-bit and invalid_id means none, so ids end just below it.
    if (n > std::size_t{invalid_id})
        throw std::invalid_argument("GeoPositionToNode: more than 4294967295 positions");
    if (n == 0)
        return;

    std::vector<PointRecord> records;
    records.reserve(n);
    const PointPosition first = {latitude[0], longitude[0]};
    for (std::size_t i = 0; i < n; ++i) {
        records.push_back({latitude[i], longitude[i], static_cast<unsigned>(i),
                           query_distance(first, {latitude[i], longitude[i]})});
    }
    construct_tree(records, 0, n);

    position.reserve(n);
    node_id.reserve(n);
    for (const PointRecord& record : records) {
        position.push_back({record.latitude, record.longitude});
        node_id.push_back(record.node_id);
    }
}

GeoPositionToNode::NearestNeighborhoodQueryResult
GeoPositionToNode::find_nearest_neighbor_within_radius(float latitude, float longitude, float radius) const
{
    NearestNeighborhoodQueryResult result = {invalid_id, radius};
    find_nearest(0, position.size(), {latitude, longitude}, result);
    return result;
}

void GeoPositionToNode::find_nearest(std::size_t begin, std::size_t end, PointPosition query,
                                     NearestNeighborhoodQueryResult& result) const
{
    while (end - begin > max_leaf_size) {
        const std::size_t middle = begin + (end - begin) / 2;
        const float to_vantage = query_distance(query, position[begin]);
        const float split = query_distance(position[begin], position[middle]);
        if (to_vantage >= split) {
            find_nearest(middle, end, query, result);
            if (to_vantage - split >= result.distance)
                return;
            end = middle;
        } else {
            find_nearest(begin, middle, query, result);
            if (split - to_vantage >= result.distance)
                return;
            begin = middle;
        }
    }
    for (std::size_t i = begin; i < end; ++i) {
        const float d = query_distance(query, position[i]);
        if (result.distance >= d)
            result = {node_id[i], d};
    }
}

std::vector<GeoPositionToNode::NearestNeighborhoodQueryResult>
GeoPositionToNode::find_all_nodes_within_radius(float latitude, float longitude, float radius) const
{
    std::vector<NearestNeighborhoodQueryResult> result;
    find_all(0, position.size(), {latitude, longitude}, radius, result);
    return result;
}

void GeoPositionToNode::find_all(std::size_t begin, std::size_t end, PointPosition query, float radius,
                                 std::vector<NearestNeighborhoodQueryResult>& result) const
{
    while (end - begin > max_leaf_size) {
        const std::size_t middle = begin + (end - begin) / 2;
        const float to_vantage = query_distance(query, position[begin]);
        const float split = query_distance(position[begin], position[middle]);
        // Written to prune only on a definite bound: a NaN distance (from a
        // non-finite position) searches both parts.
        if (!(radius < to_vantage - split))
            find_all(begin, middle, query, radius, result);
        if (radius < split - to_vantage)
            return;
        begin = middle;
    }
    for (std::size_t i = begin; i < end; ++i) {
        const float d = query_distance(query, position[i]);
        if (d <= radius)
            result.push_back({node_id[i], d});
    }
}

} // namespace Routing
