#ifndef APP_OFFLINE_OFFLINEENGINE_H
#define APP_OFFLINE_OFFLINEENGINE_H

#include "app/engines/router.h"
#include "routing/core/contraction_hierarchy.h"
#include "routing/core/contraction_hierarchy_query.h"
#include "routing/core/geo_position_to_node.h"
#include "routing/osm/osm_simple.h"

#include <string>

// Writes one log line of the routing library to standard error.
void log_message(const std::string &text);

// A local PBF extract loaded as a routing graph of kind G (the car or the
// pedestrian graph), with its contraction hierarchy over the arc lengths in
// metres and the index that snaps points to the graph's nodes.
template <class G>
class OfflineMapData : public MapData
{
public:
    OfflineMapData(bool travelByCar, std::string pbfPath);

    // Loads the graph and builds the hierarchy and the index, reporting
    // progress and failure through the MapData signals; true on success.
    bool loadMap() override;

    G graph;
    Routing::ContractionHierarchy ch;
    std::string pbfPath; // UTF-8
    // Built once per load, so that routers share it instead of rebuilding it per pair.
    Routing::GeoPositionToNode nodeIndex;
};

// Shortest distances on loaded offline map data, which must outlive the router.
template <class G>
class OfflineRouter : public Router
{
public:
    explicit OfflineRouter(OfflineMapData<G> *mapData);

    // Metres between the nodes nearest to the two points (within 2000 m);
    // 2147483647 when the second cannot be reached from the first, -2 or -1
    // (after a calculationError) when point 1 or point 2 has no node near it.
    int pointDistance(double lat1, double lon1, double lat2, double lon2) override;

private:
    OfflineMapData<G> *mapData;
    // Reused for every pair of the router's calculation.
    Routing::ContractionHierarchyQuery query;
};

extern template class OfflineMapData<Routing::SimpleOSMCarRoutingGraph>;
extern template class OfflineMapData<Routing::SimpleOSMPedestrianRoutingGraph>;
extern template class OfflineRouter<Routing::SimpleOSMCarRoutingGraph>;
extern template class OfflineRouter<Routing::SimpleOSMPedestrianRoutingGraph>;

#endif
