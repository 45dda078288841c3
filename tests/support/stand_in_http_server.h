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

// One prepared answer of the stand-in server.
struct StandInReply
{
    int status = 200;
    QByteArray body;
    QByteArray contentType = "application/json";
    // The body goes out in this many pieces of about equal size...
    int pieces = 1;
    // ...and this long is waited before the head and before every piece.
    std::chrono::milliseconds delay{0};
    // The head announces the whole body, but the connection closes after its first half.
    bool cutShort = false;
};

// One request as the stand-in server received it.
struct RecordedRequest
{
    QByteArray method;
    QByteArray target; // path and query exactly as sent
    std::vector<std::pair<QByteArray, QByteArray>> headers;
    QByteArray body;

    // The value of the first header of that name (ignoring case), or a null array.
    QByteArray header(const QByteArray &name) const;
};

// An HTTP/1.1 server on 127.0.0.1 for tests, on a port of the system's choice
// and a thread of its own. It serves one connection at a time, records every
// request and answers each with the next prepared reply (or, when none is left,
// with status 500 and a body saying so), then closes the connection.
class StandInHttpServer
{
public:
    StandInHttpServer();
    ~StandInHttpServer();
    StandInHttpServer(const StandInHttpServer &) = delete;
    StandInHttpServer &operator=(const StandInHttpServer &) = delete;

    // "http://127.0.0.1:PORT", without a trailing slash.
    QString baseUrl() const;

    void enqueue(const StandInReply &reply);
    // A reply sent in one piece at once.
    void enqueue(int status, const QByteArray &body, const QByteArray &contentType = "application/json");

    // Every request received so far, in order.
    std::vector<RecordedRequest> requests() const;

private:
    void run();
    bool receive(int connection, RecordedRequest &request);
    void send(int connection, const StandInReply &reply);
    // False when the server is stopping (or, for a descriptor, on timeout).
    bool waitUntilReadable(int fd, int timeoutMs);
    bool pause(std::chrono::milliseconds duration);

    int listener = -1;
    int wakeRead = -1, wakeWrite = -1;
    unsigned short port = 0;
    mutable std::mutex mutex;
    std::deque<StandInReply> replies;
    std::vector<RecordedRequest> received;
    std::thread thread;
};

// A port on 127.0.0.1 that is taken but refuses every connection, for "no server".
class ClosedPort
{
public:
    ClosedPort();
    ~ClosedPort();
    ClosedPort(const ClosedPort &) = delete;
    ClosedPort &operator=(const ClosedPort &) = delete;

    // "http://127.0.0.1:PORT", without a trailing slash.
    QString baseUrl() const;

private:
    int socket = -1;
    unsigned short port = 0;
};

#endif
