#include "app/engines/openrouteservice.h"

#include "app/addressselectionwindow.h"
#include "app/engines/request_text.h"
#include "app/engines/util.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QString not_json =
    QStringLiteral("Obdržené údaje nejsou ve formátu JSON.\r\n"
                   "Jste si jisti, že daná adresa skutečně odkazuje na službu OpenRouteService?\r\n");
const QString wrong_format =
    QStringLiteral("Obdržené údaje nejsou v\u00a0tom správném formátu.\r\n"
                   "Jste si jisti, že daná adresa skutečně odkazuje na službu OpenRouteService?\r\n");

// The feature's {latitude, longitude}, or empty when its GeoJSON position
// does not begin with two numbers.
std::vector<double> feature_point(const QJsonObject &feature)
{
    const QJsonArray position =
        feature.value(QStringLiteral("geometry")).toObject().value(QStringLiteral("coordinates")).toArray();
    if (position.size() < 2 || !position.at(0).isDouble() || !position.at(1).isDouble())
        return {};
    return {position.at(1).toDouble(), position.at(0).toDouble()};
}

QString feature_name(const QJsonObject &feature)
{
    const QJsonObject properties = feature.value(QStringLiteral("properties")).toObject();
    for (const QString &key : {QStringLiteral("label"), QStringLiteral("name")}) {
        const QJsonValue name = properties.value(key);
        if (name.isString())
            return name.toString();
    }
    return QStringLiteral("- Bez názvu -");
}

} // namespace

OpenRouteServiceMapData::OpenRouteServiceMapData(QString serverUrl, QString apiKey)
    : MapData(true), serverUrl(serverUrl), apiKey(apiKey)
{
}

OpenRouteServiceRouter::OpenRouteServiceRouter(OpenRouteServiceMapData *mapData) : mapData(mapData) {}

std::unique_ptr<QNetworkRequest> OpenRouteServiceRouter::makeRoutingRequest(vector_2d_double)
{
    const QString profile = mapData->travelByCar ? QStringLiteral("driving-car") : QStringLiteral("foot-walking");
    auto request =
        std::make_unique<QNetworkRequest>(service_url(mapData->serverUrl, QStringLiteral("/v2/matrix/") + profile));
    request->setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    request->setRawHeader("Authorization", mapData->apiKey.toUtf8());
    // Qt copies every header onto a redirected request, so a redirect to
    // another origin would hand the key to a server the user never named.
    request->setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::SameOriginRedirectPolicy);
    return request;
}

std::unique_ptr<QByteArray> OpenRouteServiceRouter::makePostData(vector_2d_double points)
{
    const QString body = QStringLiteral("{\"metrics\":[\"distance\"],\"locations\":[") +
                         lon_lat_list(points, QStringLiteral("[%1,%2]"), QStringLiteral(",")) + QStringLiteral("]}");
    return std::make_unique<QByteArray>(body.toUtf8());
}

OpenRouteServiceAddresser::OpenRouteServiceAddresser(OpenRouteServiceMapData *mapData) : mapData(mapData) {}

OpenRouteServiceAddresser::~OpenRouteServiceAddresser()
{
    // A dialog still open goes with the geocoder it reports to; later, because
    // this geocoder may go from within a handler of the dialog.
    if (choice)
        choice->deleteLater();
}

std::unique_ptr<QNetworkRequest> OpenRouteServiceAddresser::makeLocatingRequest(QString address)
{
    // The key and the text are encoded, so that '&', '#', '+', '=' and '%' in
    // them reach the service as text instead of ending or adding parameters.
    auto request = std::make_unique<QNetworkRequest>(service_url(
        mapData->serverUrl, QStringLiteral("/geocode/search?api_key=") +
                                QString::fromLatin1(QUrl::toPercentEncoding(mapData->apiKey)) +
                                QStringLiteral("&text=") + QString::fromLatin1(QUrl::toPercentEncoding(address))));
    request->setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    return request;
}

void OpenRouteServiceAddresser::parseCoordinatesFromResponse(QByteArray *data)
{
    const QJsonDocument document = QJsonDocument::fromJson(*data);
    if (document.isNull()) {
        emit locationError(not_json);
        return;
    }
    const QJsonObject reply = document.object();
    const QJsonValue error = reply.value(QStringLiteral("error"));
    if (error.isString()) {
        emit locationError(generic_api_error_to_message(error.toString()));
        return;
    }
    const QJsonValue features = reply.value(QStringLiteral("features"));
    if (!features.isArray()) {
        emit locationError(wrong_format);
        return;
    }
    if (features.toArray().isEmpty()) {
        emit locationError(QStringLiteral("Pro danou adresu nebyla nalezena žádná lokace."));
        return;
    }

    vector_2d_double points;
    QList<QString> names;
    for (const QJsonValue &value : features.toArray()) {
        const QJsonObject feature = value.toObject();
        std::vector<double> point = feature_point(feature);
        if (point.empty())
            continue;
        points.push_back(std::move(point));
        names.append(feature_name(feature));
    }

    if (points.empty()) {
        emit locationError(wrong_format);
    } else if (points.size() == 1) {
        emit locationFound(points.front(), names.front());
    } else {
        choice = new AddressSelectionWindow(nullptr, points, names);
        choice->setAttribute(Qt::WA_DeleteOnClose);
        // The program ends when its main window closes, even with the choice open.
        choice->setAttribute(Qt::WA_QuitOnClose, false);
        connect(choice, &AddressSelectionWindow::addressSelected, this, &OpenRouteServiceAddresser::addressSelected);
        connect(choice, &QDialog::rejected, this, &OpenRouteServiceAddresser::noAddressSelected);
        choice->show();
    }
}

void OpenRouteServiceAddresser::addressSelected(std::vector<double> point, QString name)
{
    emit locationFound(point, name);
}

void OpenRouteServiceAddresser::noAddressSelected()
{
    emit locationCancelled();
}
