#ifndef APP_ENGINES_NETROUTER_H
#define APP_ENGINES_NETROUTER_H

#include "app/engines/downloader.h"
#include "app/engines/router.h"

#include <QByteArray>
#include <QNetworkRequest>

#include <memory>

// A router that asks a web service for the whole matrix in one request and
// reads the reply shape both supported services share: an object whose
// "distances" member is an array of rows of metres. Engines supply the
// request and, for a POST, its body. Serves one calculation, on the thread
// that created it.
class NetRouter : public Router
{
    Q_OBJECT

public:
    NetRouter();

    // Never called: the whole matrix comes from one request.
    int pointDistance(double lat1, double lon1, double lat2, double lon2) override;
    // Returns after the result or the failure has been signalled.
    void calculateDistances(vector_2d_double points) override;

    virtual void parseDistancesFromResponse(QByteArray *data);
    virtual std::unique_ptr<QNetworkRequest> makeRoutingRequest(vector_2d_double points) = 0;
    // The request body, or null for a GET (the default).
    virtual std::unique_ptr<QByteArray> makePostData(vector_2d_double points);

private:
    void downloadError(QString message);
    void downloadProgress(bool connected, QString text);

    std::unique_ptr<Downloader> downloader;
    // The points of the running calculation, sent back with the result.
    vector_2d_double points;
};

#endif
