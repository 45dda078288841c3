#include "app/engines/downloader.h"

#include <QEventLoop>

Downloader::Downloader() : QObject(nullptr), manager(nullptr) {}

void Downloader::startDownload(QNetworkRequest *request, QByteArray *postData)
{
    // The previous buffer was valid until now; the previous reply is done. The
    // manager deletes the last reply, its child, when the downloader goes.
    data = std::make_unique<QByteArray>();
    if (reply)
        reply->deleteLater();

    emit downloadProgress(false, QStringLiteral("Připojování k\u00a0serveru…"));

    request->setRawHeader("User-Agent", "Distamatic");
    reply = postData ? manager.post(*request, *postData) : manager.get(*request);

    connect(reply, &QNetworkReply::readyRead, this, &Downloader::httpRead);
    connect(reply, &QNetworkReply::downloadProgress, this, &Downloader::httpProgress);
    connect(reply, &QNetworkReply::finished, this, &Downloader::httpFinished);
    connect(reply, &QNetworkReply::errorOccurred, this, &Downloader::httpError);

    // Connected after httpFinished, so the receivers have the whole body before the loop ends.
    QEventLoop loop;
    connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
}

void Downloader::httpRead()
{
    data->append(reply->readAll());
}

void Downloader::httpProgress(qint64, qint64)
{
    emit downloadProgress(true, QStringLiteral("Získávání odpovědi…"));
}

void Downloader::httpFinished()
{
    emit downloadFinished(data.get());
}

void Downloader::httpError(QNetworkReply::NetworkError)
{
    emit downloadError(QStringLiteral("Získávání údajů od serveru se nezdařilo. Jste připojeni k\u00a0internetu? "
                                      "Je zvolená služba dostupná?\r\n") +
                       reply->errorString());
}
