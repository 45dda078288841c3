#ifndef TESTS_SUPPORT_STAND_IN_HTTP_SERVER_H
#define TESTS_SUPPORT_STAND_IN_HTTP_SERVER_H

#include <QByteArray>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>

#include <chrono>
#include <deque>
#include <vector>

// One prepared answer: the head at once, the body after `delay`; `cutShort`
// closes the connection after half the announced body. `headers` are further
// head lines, each ending in CR LF.
struct StandInReply
{
    int status = 200;
    QByteArray body;
    QByteArray contentType = "application/json";
    std::chrono::milliseconds delay{0};
    bool cutShort = false;
    QByteArray headers{};
};

struct RecordedRequest
{
    QByteArray method, target, head, body; // the target as sent: path and query

    // The first header of that name, ignoring case; null when there is none.
    QByteArray header(const QByteArray &name) const;
};

// An HTTP/1.1 server on 127.0.0.1, served by the GUI thread's event loop while
// a test waits. Each request gets the next prepared reply (status 500 when none
// is left); then the connection closes.
class StandInHttpServer
{
public:
    StandInHttpServer();

    // "http://127.0.0.1:PORT", without a trailing slash.
    QString baseUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort()); }
    // The same for a port that is taken but refuses every connection.
    QString refusingUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(refusing.localPort()); }

    void enqueue(const StandInReply &reply) { replies.push_back(reply); }
    const std::vector<RecordedRequest> &requests() const { return received; }

private:
    void answer(QTcpSocket *socket);

    QTcpServer server;
    QTcpSocket refusing; // bound, never listening
    std::deque<StandInReply> replies;
    std::vector<RecordedRequest> received;
};

#endif
