#include "app/engines/netaddresser.h"

NetAddresser::NetAddresser() : downloader(std::make_unique<Downloader>())
{
    // The progress of a lookup is not shown.
    connect(downloader.get(), &Downloader::downloadError, this, &NetAddresser::downloadError);
    connect(downloader.get(), &Downloader::downloadFinished, this, &NetAddresser::parseCoordinatesFromResponse);
}

void NetAddresser::locateAddress(QString address)
{
    const std::unique_ptr<QByteArray> postData = makePostData(address);
    const std::unique_ptr<QNetworkRequest> request = makeLocatingRequest(address);
    downloader->startDownload(request.get(), postData.get());
}

std::unique_ptr<QByteArray> NetAddresser::makePostData(QString)
{
    return nullptr;
}

void NetAddresser::downloadError(QString message)
{
    emit locationError(message);
}
