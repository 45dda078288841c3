#ifndef APP_ENGINES_DOWNLOADER_H
#define APP_ENGINES_DOWNLOADER_H

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QObject>
#include <QString>

#include <memory>

// One HTTP GET or POST that does not return before the transfer has ended:
// it waits in a nested event loop on the calling thread, which keeps that
// thread's events (user input included) flowing meanwhile. The outcome is
// signalled before startDownload returns: at most one downloadError, then
// always exactly one downloadFinished.
class Downloader : public QObject
{
    Q_OBJECT

public:
    Downloader();

    // A null postData sends a GET, otherwise a POST with that body. Both stay
    // the caller's; the request gains the program's User-Agent.
    void startDownload(QNetworkRequest *request, QByteArray *postData);

signals:
    // Everything received; the buffer stays the downloader's.
    void downloadFinished(QByteArray *data);
    void downloadError(QString message);
    // connected is false while connecting and true once reply data flows.
    void downloadProgress(bool connected, QString text);

private:
    void httpRead();
    void httpProgress(qint64 bytesReceived, qint64 bytesTotal);
    void httpFinished();
    void httpError(QNetworkReply::NetworkError code);

    std::unique_ptr<QByteArray> data;
    QNetworkAccessManager manager;
    QNetworkReply *reply = nullptr;
};

#endif
