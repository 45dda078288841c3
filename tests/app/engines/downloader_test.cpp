#include "app/engines/downloader.h"
#include "tests/support/qt_printing.h"
#include "tests/support/stand_in_http_server.h"

#include <QUrl>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const QString connecting = QStringLiteral("Připojování k\u00a0serveru…");
const QString receiving = QStringLiteral("Získávání odpovědi…");
const QString failure_prefix =
    QStringLiteral("Získávání údajů od serveru se nezdařilo. Jste připojeni k\u00a0internetu? Je zvolená služba dostupná?\r\n");

const QString connecting_line = QStringLiteral("progress 0 ") + connecting;
const QString receiving_line = QStringLiteral("progress 1 ") + receiving;

// What a downloader signalled, in order, as "progress …", "error …" and "finished …".
struct Transfer
{
    std::vector<QString> events;
    QByteArray body;
    bool returnedAfterFinished = false;

    // The events without the receiving lines, whose number and place (before or
    // after an error) are Qt's.
    std::vector<QString> withoutReceiving() const
    {
        std::vector<QString> result;
        for (const QString &event : events) {
            if (event != receiving_line)
                result.push_back(event);
        }
        return result;
    }

    bool receives() const { return std::find(events.begin(), events.end(), receiving_line) != events.end(); }
};

Transfer download(const QString &url, QByteArray *postData = nullptr, QNetworkRequest request = {})
{
    Transfer transfer;
    Downloader downloader;
    QObject::connect(&downloader, &Downloader::downloadProgress, [&](bool connected, const QString &text) {
        transfer.events.push_back(QStringLiteral("progress %1 ").arg(connected) + text);
    });
    QObject::connect(&downloader, &Downloader::downloadError, [&](const QString &message) {
        transfer.events.push_back(message.startsWith(failure_prefix) ? QStringLiteral("error")
                                                                     : QStringLiteral("unexpected error ") + message);
    });
    QObject::connect(&downloader, &Downloader::downloadFinished, [&](QByteArray *data) {
        transfer.events.push_back(QStringLiteral("finished"));
        transfer.body = *data;
    });
    request.setUrl(QUrl(url));
    downloader.startDownload(&request, postData);
    transfer.returnedAfterFinished = !transfer.events.empty() && transfer.events.back() == QStringLiteral("finished");
    return transfer;
}

} // namespace

TEST(Downloader, SendsGetAndPostWithTheProgramsUserAgent)
{
    StandInHttpServer server;
    server.enqueue(200, "first");
    server.enqueue(200, "second");

    QNetworkRequest request;
    request.setRawHeader("User-Agent", "Something else");
    request.setRawHeader("Authorization", "key");
    request.setHeader(QNetworkRequest::ContentTypeHeader, "application/octet-stream");
    download(server.baseUrl() + QStringLiteral("/table/v1/driving/14.42,50.08?annotations=distance"), nullptr,
             request);
    QByteArray body("{\"a\":[1,2]}\r\n\0binary\xff", 20);
    download(server.baseUrl() + QStringLiteral("/v2/matrix/foot-walking"), &body, request);

    const std::vector<RecordedRequest> requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].target, "/table/v1/driving/14.42,50.08?annotations=distance");
    EXPECT_TRUE(requests[0].body.isEmpty());
    EXPECT_EQ(requests[1].method, "POST");
    EXPECT_EQ(requests[1].target, "/v2/matrix/foot-walking");
    EXPECT_EQ(requests[1].body, body);
    for (const RecordedRequest &recorded : requests) {
        EXPECT_EQ(recorded.header("User-Agent"), "Distamatic");
        EXPECT_EQ(recorded.header("Authorization"), "key");
        int user_agents = 0;
        for (const auto &[name, value] : recorded.headers)
            user_agents += name.compare("User-Agent", Qt::CaseInsensitive) == 0;
        EXPECT_EQ(user_agents, 1);
    }
}

TEST(Downloader, SignalsEachOutcomeInOrderBeforeReturning)
{
    const QByteArray large_body(200000, 'x');
    const QByteArray forbidden = "{\"error\":\"Access to this API has been disallowed\"}";
    const QByteArray page = "<html><body>Oops</body></html>";
    const std::vector<QString> success{connecting_line, "finished"}, failure{connecting_line, "error", "finished"};
    const struct {
        const char *name;
        StandInReply reply; // not sent when noServer
        bool noServer;
        std::vector<QString> events;
        QByteArray body;
    } cases[] = {
        {"success", {200, "{\"distances\":[]}", "application/json", 1, {}, false}, false, success,
         "{\"distances\":[]}"},
        {"body in slow pieces", {200, large_body, "application/json", 4, std::chrono::milliseconds(30), false}, false,
         success, large_body},
        {"HTTP 403 with a JSON body", {403, forbidden, "application/json", 1, {}, false}, false, failure, forbidden},
        {"HTTP 500 page", {500, page, "text/html", 1, {}, false}, false, failure, page},
        {"body cut short", {200, "0123456789", "application/json", 1, {}, true}, false, failure, "01234"},
        {"connection refused", {}, true, failure, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        StandInHttpServer server;
        ClosedPort closed;
        server.enqueue(c.reply);
        const Transfer transfer = download((c.noServer ? closed.baseUrl() : server.baseUrl()) + QStringLiteral("/x"));
        EXPECT_EQ(transfer.withoutReceiving(), c.events);
        EXPECT_EQ(transfer.body, c.body);
        EXPECT_TRUE(transfer.returnedAfterFinished);
        if (!c.body.isEmpty()) {
            EXPECT_TRUE(transfer.receives());
        }
    }
}

TEST(Downloader, ErrorMessageEndsWithQtsReason)
{
    ClosedPort closed;
    Downloader downloader;
    QString message;
    QObject::connect(&downloader, &Downloader::downloadError, [&](const QString &text) { message = text; });
    QNetworkRequest request(QUrl(closed.baseUrl()));
    downloader.startDownload(&request, nullptr);

    ASSERT_TRUE(message.startsWith(failure_prefix)) << message.toStdString();
    EXPECT_FALSE(message.mid(failure_prefix.size()).trimmed().isEmpty());
}
