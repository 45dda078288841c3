#include "app/offline/offlineengine.h"

#include "app/offline/upper_vector_state.h"
#include "routing/core/constants.h"

#include <QFile>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <type_traits>
#include <utility>

namespace {

using Routing::SimpleOSMCarRoutingGraph;
using Routing::SimpleOSMPedestrianRoutingGraph;

constexpr float snapRadius = 2000.0f; // metres
constexpr unsigned witnessSearchPopLimit = 500;

template <class G>
G load_graph(const std::string &pbfPath)
{
    if constexpr (std::is_same_v<G, SimpleOSMCarRoutingGraph>)
        return Routing::simple_load_osm_car_routing_graph_from_pbf(pbfPath, log_message, false, false);
    else
        return Routing::simple_load_osm_pedestrian_routing_graph_from_pbf(pbfPath, log_message, false, false);
}

// The tail of every arc of a forward-star graph.
std::vector<unsigned> arc_tails(const std::vector<unsigned> &first_out)
{
    std::vector<unsigned> tail(first_out.back());
    for (unsigned x = 0; x + 1 < first_out.size(); ++x)
        std::fill(tail.begin() + first_out[x], tail.begin() + first_out[x + 1], x);
    return tail;
}

} // namespace

void log_message(const std::string &text)
{
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

template <class G>
OfflineMapData<G>::OfflineMapData(bool travelByCar, std::string pbfPath)
    : MapData(travelByCar), pbfPath(std::move(pbfPath)), nodeIndex({}, {})
{
}

template <class G>
bool OfflineMapData<G>::loadMap()
{
    emit mapDataProgress(0.0f, 0.0f, QStringLiteral("Čtení mapových dat…"));
    if (pbfPath.empty()) {
        emit mapDataError(QStringLiteral("Nebyl zadán žádný soubor; zvolte prosím soubor s\u00a0mapou ve formátu PBF."));
        return false;
    }
    if (!QFile::exists(QString::fromStdString(pbfPath))) {
        emit mapDataError(QStringLiteral("Daný soubor neexistuje; zvolte prosím jiný."));
        return false;
    }
    // The routing library reports a file it cannot read, and exhausted memory, by throwing.
    // Each of its stages starts with the upper vector state clear, whatever Qt
    // code ran before on this thread, the reports included.
    try {
        clear_upper_vector_state();
        graph = load_graph<G>(pbfPath);
        if (graph.first_out.size() < 2) {
            emit mapDataError(QStringLiteral("Čtení mapových dat selhalo. Je daný soubor ve formátu PBF?"));
            return false;
        }
        const auto nodeCount = static_cast<unsigned>(graph.first_out.size() - 1);

        emit mapDataProgress(35.0f, 0.0f, QStringLiteral("Výpočet inverzních vektorů…"));
        clear_upper_vector_state();
        std::vector<unsigned> tail = arc_tails(graph.first_out);

        emit mapDataProgress(75.0f, 0.0f, QStringLiteral("Tvorba kontrakční hierarchie…"));
        clear_upper_vector_state();
        ch = Routing::ContractionHierarchy::build(nodeCount, std::move(tail), graph.head, graph.geo_distance, {},
                                                  witnessSearchPopLimit);
        if (ch.rank.empty()) {
            emit mapDataError(QStringLiteral("Tvorba kontrakční hierarchie selhala. Je daný soubor ve formátu PBF?"));
            return false;
        }
        nodeIndex = Routing::GeoPositionToNode(graph.latitude, graph.longitude);
    } catch (const std::exception &e) {
        emit mapDataError(QStringLiteral("Čtení mapových dat selhalo.\r\n") + QString::fromUtf8(e.what()));
        return false;
    }
    emit mapDataProgress(100.0f, 0.0f, QStringLiteral("Mapové údaje byly úspěšně načteny…"));
    emit mapDataFinished();
    return true;
}

template <class G>
OfflineRouter<G>::OfflineRouter(OfflineMapData<G> *mapData) : mapData(mapData), query(mapData->ch)
{
}

template <class G>
int OfflineRouter<G>::pointDistance(double lat1, double lon1, double lat2, double lon2)
{
    const auto nearestNode = [this](double lat, double lon) {
        return mapData->nodeIndex
            .find_nearest_neighbor_within_radius(static_cast<float>(lat), static_cast<float>(lon), snapRadius)
            .id;
    };
    const auto reportNoNodeNear = [this](double lat, double lon) {
        emit calculationError(QStringLiteral("Nebyl nalezen žádný bod v\u00a0blízkosti dané adresy (%1,%2).")
                                  .arg(lat, 0, 'g', 9)
                                  .arg(lon, 0, 'g', 9));
    };
    // The pairwise loop reports progress through Qt between rows.
    clear_upper_vector_state();
    const unsigned source = nearestNode(lat1, lon1);
    if (source == Routing::invalid_id) {
        reportNoNodeNear(lat1, lon1);
        return -2;
    }
    const unsigned target = nearestNode(lat2, lon2);
    if (target == Routing::invalid_id) {
        reportNoNodeNear(lat2, lon2);
        return -1;
    }
    // At most 2147483647, the distance of an unreachable target.
    return static_cast<int>(query.reset().add_source(source, 0).add_target(target, 0).run().get_distance());
}

template class OfflineMapData<SimpleOSMCarRoutingGraph>;
template class OfflineMapData<SimpleOSMPedestrianRoutingGraph>;
template class OfflineRouter<SimpleOSMCarRoutingGraph>;
template class OfflineRouter<SimpleOSMPedestrianRoutingGraph>;
