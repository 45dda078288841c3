#include "app/engines/fossgis.h"

#include "app/engines/request_text.h"

FOSSGISMapData::FOSSGISMapData(QString serverUrl) : MapData(true), serverUrl(serverUrl) {}

FOSSGISRouter::FOSSGISRouter(FOSSGISMapData *mapData) : mapData(mapData) {}

std::unique_ptr<QNetworkRequest> FOSSGISRouter::makeRoutingRequest(vector_2d_double points)
{
    const QString profile = mapData->travelByCar ? QStringLiteral("driving/") : QStringLiteral("foot/");
    return std::make_unique<QNetworkRequest>(
        service_url(mapData->serverUrl, QStringLiteral("/table/v1/") + profile +
                                            lon_lat_list(points, QStringLiteral("%1,%2"), QStringLiteral(";")) +
                                            QStringLiteral("?annotations=distance")));
}
