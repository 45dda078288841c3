#ifndef ROUTING_CORE_GEO_POSITION_TO_NODE_H
#define ROUTING_CORE_GEO_POSITION_TO_NODE_H

#include <cstddef>
#include <vector>

namespace Routing {

// Nearest-node index over node positions in degrees: a vantage-point tree
// stored implicitly in tree order. A range's first element is its vantage
// point; the range splits at its middle into the elements at most as far from
// it as the middle element and the rest. Ranges of up to 8 elements are leaves.
class GeoPositionToNode {
public:
    struct PointPosition {
        float latitude;
        float longitude;
    };

    struct NearestNeighborhoodQueryResult {
        unsigned id;
        float distance;
    };

    // Node i is at (latitude[i], longitude[i]). Throws std::invalid_argument
    // when the two vectors differ in length or hold more than 4294967295
    // positions (ids are 32-bit).
    GeoPositionToNode(const std::vector<float>& latitude, const std::vector<float>& longitude);

    // The nearest node within radius metres (a node at exactly the radius
    // counts); {invalid_id, radius} when there is none.
    NearestNeighborhoodQueryResult find_nearest_neighbor_within_radius(float latitude, float longitude,
                                                                       float radius) const;

    // Every node within radius metres, with its distance, in search order.
    std::vector<NearestNeighborhoodQueryResult> find_all_nodes_within_radius(float latitude, float longitude,
                                                                            float radius) const;

private:
    void find_nearest(std::size_t begin, std::size_t end, PointPosition query,
                      NearestNeighborhoodQueryResult& result) const;
    void find_all(std::size_t begin, std::size_t end, PointPosition query, float radius,
                  std::vector<NearestNeighborhoodQueryResult>& result) const;

    std::vector<PointPosition> position;
    std::vector<unsigned> node_id;
};

} // namespace Routing

#endif
