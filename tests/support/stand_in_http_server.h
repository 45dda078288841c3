#ifndef TESTS_SUPPORT_STAND_IN_HTTP_SERVER_H
#define TESTS_SUPPORT_STAND_IN_HTTP_SERVER_H

#include <QByteArray>
#include <QString>

#include <chrono>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

// One prepared answer. The body goes out in `pieces`, the head and each piece
// after `delay`; `cutShort` closes the connection after half the announced body.
struct StandInReply
{
    int status = 200;
    QByteArray body;
    QByteArray contentType = "application/json";
    int pieces = 1;
    std::chrono::milliseconds delay{0};
    bool cutShort = false;
};

struct RecordedRequest
{
    QByteArray method, target, body; // the target as sent: path and query
    std::vector<std::pair<QByteArray, QByteArray>> headers;

    // The first header of that name, ignoring case; null when there is none.
    QByteArray header(const QByteArray &name) const;
};

// An HTTP/1.1 server on 127.0.0.1 with a thread of its own. It takes one
// connection at a time, records the request and answers with the next prepared
// reply (status 500 when none is left), then closes the connection.
class StandInHttpServer
{
public:
    StandInHttpServer();
    ~StandInHttpServer();

    // "http://127.0.0.1:PORT", without a trailing slash.
    QString baseUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(port); }
    // The same for a port that is taken but refuses every connection.
    QString refusingUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(refusingPort); }

    void enqueue(const StandInReply &reply);
    std::vector<RecordedRequest> requests() const;

private:
    void run();

    unsigned short port = 0, refusingPort = 0; // set while the sockets below are made
    int listener, refusing;
    mutable std::mutex mutex;
    std::deque<StandInReply> replies;
    std::vector<RecordedRequest> received;
    std::thread thread;
};

#endif
