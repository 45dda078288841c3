#ifndef APP_ENGINES_FOSSGIS_H
#define APP_ENGINES_FOSSGIS_H

#include "app/engines/netrouter.h"

#include <QString>

// The settings of the OSRM engine; there is nothing to load.
class FOSSGISMapData : public MapData
{
    Q_OBJECT

public:
    explicit FOSSGISMapData(QString serverUrl);

    // The server's base address exactly as typed.
    QString serverUrl;
};

// The whole matrix from an OSRM server's table service in one GET.
class FOSSGISRouter : public NetRouter
{
    Q_OBJECT

public:
    // The map data stays the caller's and must outlive the router.
    explicit FOSSGISRouter(FOSSGISMapData *mapData);

    std::unique_ptr<QNetworkRequest> makeRoutingRequest(vector_2d_double points) override;

private:
    FOSSGISMapData *mapData;
};

#endif
