#ifndef APP_ENGINES_NETADDRESSER_H
#define APP_ENGINES_NETADDRESSER_H

#include "app/engines/downloader.h"
#include "app/engines/router.h"

#include <QByteArray>
#include <QNetworkRequest>

#include <memory>

// A geocoder that asks a web service about one address text. Engines supply
// the request and read the reply. Serves one lookup, on the GUI thread: the
// wait for the reply runs a nested event loop, so the window stays responsive
// and its caller must guard against re-entry.
class NetAddresser : public Addresser
{
    Q_OBJECT

public:
    NetAddresser();

    // Returns after the reply has been read.
    void locateAddress(QString address) override;

    // Must end in locationFound, locationError or, through a later choice of
    // the user, locationCancelled.
    virtual void parseCoordinatesFromResponse(QByteArray *data) = 0;
    virtual std::unique_ptr<QNetworkRequest> makeLocatingRequest(QString address) = 0;
    // The request body, or null for a GET (the default).
    virtual std::unique_ptr<QByteArray> makePostData(QString address);

private:
    void downloadError(QString message);

    std::unique_ptr<Downloader> downloader;
};

#endif
