#include "app/engines/netrouter.h"

#include "app/engines/util.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <optional>

namespace {

const QString not_json = QStringLiteral("Obdržené údaje nejsou ve formátu JSON.\r\n"
                                        "Jste si jisti, že daná adresa skutečně odkazuje na zvolenou službu?\r\n");
const QString wrong_format = QStringLiteral("Obdržené údaje nejsou v\u00a0tom správném formátu.\r\n"
                                            "Jste si jisti, že daná adresa skutečně odkazuje na zvolenou službu?\r\n");

// Whole metres, truncated toward zero; nothing for a cell that is not a
// number or does not fit an int.
std::optional<int> metres(const QJsonValue &cell)
{
    if (!cell.isDouble())
        return std::nullopt;
    const double value = cell.toDouble();
    if (!(value > -2147483649.0 && value < 2147483648.0))
        return std::nullopt;
    return static_cast<int>(value);
}

// The n × n matrix of the "distances" member, or nothing when its shape is wrong.
std::optional<vector_2d_int> distance_matrix(const QJsonValue &distances, size_t n)
{
    if (!distances.isArray())
        return std::nullopt;
    const QJsonArray rows = distances.toArray();
    if (size_t(rows.size()) != n)
        return std::nullopt;
    vector_2d_int matrix;
    matrix.reserve(n);
    for (const QJsonValue &rowValue : rows) {
        const QJsonArray cells = rowValue.toArray();
        if (size_t(cells.size()) != n)
            return std::nullopt;
        std::vector<int> row;
        row.reserve(n);
        for (const QJsonValue &cell : cells) {
            const std::optional<int> value = metres(cell);
            if (!value)
                return std::nullopt;
            row.push_back(*value);
        }
        matrix.push_back(std::move(row));
    }
    return matrix;
}

} // namespace

NetRouter::NetRouter() : downloader(std::make_unique<Downloader>())
{
    connect(downloader.get(), &Downloader::downloadProgress, this, &NetRouter::downloadProgress);
    connect(downloader.get(), &Downloader::downloadError, this, &NetRouter::downloadError);
    connect(downloader.get(), &Downloader::downloadFinished, this, &NetRouter::parseDistancesFromResponse);
}

int NetRouter::pointDistance(double, double, double, double)
{
    return 0;
}

void NetRouter::calculateDistances(vector_2d_double points)
{
    this->points = points;
    const std::unique_ptr<QByteArray> postData = makePostData(points);
    const std::unique_ptr<QNetworkRequest> request = makeRoutingRequest(points);
    downloader->startDownload(request.get(), postData.get());
}

void NetRouter::parseDistancesFromResponse(QByteArray *data)
{
    emit calculationProgress(50.0f, 0.0f, QStringLiteral("Načítání odpovědi ve formátu JSON…"));
    const QJsonDocument document = QJsonDocument::fromJson(*data);
    emit calculationProgress(75.0f, 0.0f, QStringLiteral("Extrakce vzdáleností z\u00a0formátu JSON…"));

    if (document.isNull()) {
        emit calculationError(not_json);
        return;
    }
    const QJsonObject reply = document.object();
    const QJsonValue error = reply.value(QStringLiteral("error"));
    if (error.isString()) {
        emit calculationError(generic_api_error_to_message(error.toString()));
        return;
    }
    const std::optional<vector_2d_int> matrix =
        distance_matrix(reply.value(QStringLiteral("distances")), points.size());
    if (!matrix) {
        emit calculationError(wrong_format);
        return;
    }
    emit distancesCalculated(points, *matrix);
}

std::unique_ptr<QByteArray> NetRouter::makePostData(vector_2d_double)
{
    return nullptr;
}

void NetRouter::downloadError(QString message)
{
    emit calculationError(message);
}

void NetRouter::downloadProgress(bool connected, QString text)
{
    emit calculationProgress(connected ? 20.0f : 0.0f, 0.0f, text);
}
