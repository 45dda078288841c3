#ifndef APP_ENGINES_OPENROUTESERVICE_H
#define APP_ENGINES_OPENROUTESERVICE_H

#include "app/engines/netaddresser.h"
#include "app/engines/netrouter.h"

#include <QPointer>
#include <QString>

class AddressSelectionWindow;

// The settings of the OpenRouteService engine; there is nothing to load.
class OpenRouteServiceMapData : public MapData
{
    Q_OBJECT

public:
    OpenRouteServiceMapData(QString serverUrl, QString apiKey);

    // The server's base address exactly as typed.
    QString serverUrl;
    QString apiKey;
};

// The whole matrix from the matrix service in one POST, authorised by the key;
// a redirect is followed only within the server's origin, so the key goes
// nowhere else.
class OpenRouteServiceRouter : public NetRouter
{
    Q_OBJECT

public:
    // The map data stays the caller's and must outlive the router.
    explicit OpenRouteServiceRouter(OpenRouteServiceMapData *mapData);

    std::unique_ptr<QNetworkRequest> makeRoutingRequest(vector_2d_double points) override;
    std::unique_ptr<QByteArray> makePostData(vector_2d_double points) override;

private:
    OpenRouteServiceMapData *mapData;
};

// An address text to a point through the geocoding search service. When
// several places match, the user chooses in a dialog, which goes when it
// closes or when this geocoder goes; the choice arrives later as
// locationFound, the cancelling as locationCancelled.
class OpenRouteServiceAddresser : public NetAddresser
{
    Q_OBJECT

public:
    // The map data stays the caller's and must outlive the geocoder.
    explicit OpenRouteServiceAddresser(OpenRouteServiceMapData *mapData);
    ~OpenRouteServiceAddresser() override;

    void parseCoordinatesFromResponse(QByteArray *data) override;
    std::unique_ptr<QNetworkRequest> makeLocatingRequest(QString address) override;

    // Handlers of the choice dialog.
    void addressSelected(std::vector<double> point, QString name);
    void noAddressSelected();

private:
    OpenRouteServiceMapData *mapData;
    QPointer<AddressSelectionWindow> choice;
};

#endif
