#include "tests/support/stand_in_http_server.h"

#include <QList>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

namespace {

// A request that takes longer than this to arrive is dropped, so a broken
// client cannot hang the server thread.
constexpr int request_timeout_ms = 10000;
constexpr qsizetype max_request_size = 1 << 20;

[[noreturn]] void fail(const char *what)
{
    throw std::runtime_error(std::string("stand-in HTTP server: ") + what + ": " + std::strerror(errno));
}

// A TCP socket bound to 127.0.0.1 on a port the system picks.
int bind_loopback(unsigned short &port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) != 0)
        fail("bind");
    port = ntohs(address.sin_port);
    return fd;
}

QString loopback_url(unsigned short port)
{
    return QStringLiteral("http://127.0.0.1:%1").arg(port);
}

bool send_all(int fd, const char *data, qsizetype size)
{
    while (size > 0) {
        const ssize_t sent = ::send(fd, data, size_t(size), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return false;
        data += sent;
        size -= sent;
    }
    return true;
}

} // namespace

QByteArray RecordedRequest::header(const QByteArray &name) const
{
    for (const auto &[key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

StandInHttpServer::StandInHttpServer()
{
    listener = bind_loopback(port);
    int wake[2];
    if (::listen(listener, 16) != 0 || ::pipe2(wake, O_CLOEXEC) != 0)
        fail("listen");
    wakeRead = wake[0];
    wakeWrite = wake[1];
    thread = std::thread([this] { run(); });
}

StandInHttpServer::~StandInHttpServer()
{
    while (::write(wakeWrite, "s", 1) < 0 && errno == EINTR) {
    }
    thread.join();
    ::close(listener);
    ::close(wakeRead);
    ::close(wakeWrite);
}

QString StandInHttpServer::baseUrl() const
{
    return loopback_url(port);
}

void StandInHttpServer::enqueue(const StandInReply &reply)
{
    // Deep copies, so that no array is shared with the calling thread.
    StandInReply copy = reply;
    copy.body = QByteArray(reply.body.constData(), reply.body.size());
    copy.contentType = QByteArray(reply.contentType.constData(), reply.contentType.size());
    std::lock_guard lock(mutex);
    replies.push_back(std::move(copy));
}

void StandInHttpServer::enqueue(int status, const QByteArray &body, const QByteArray &contentType)
{
    enqueue(StandInReply{status, body, contentType});
}

std::vector<RecordedRequest> StandInHttpServer::requests() const
{
    std::lock_guard lock(mutex);
    return received;
}

void StandInHttpServer::run()
{
    while (waitUntilReadable(listener, -1)) {
        const int connection = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0)
            continue;
        RecordedRequest request;
        if (receive(connection, request)) {
            StandInReply reply{500, "stand-in HTTP server: no reply prepared", "text/plain"};
            {
                std::lock_guard lock(mutex);
                received.push_back(request);
                if (!replies.empty()) {
                    reply = std::move(replies.front());
                    replies.pop_front();
                }
            }
            send(connection, reply);
        }
        ::close(connection);
    }
}

bool StandInHttpServer::receive(int connection, RecordedRequest &request)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(request_timeout_ms);
    QByteArray buffer;
    qsizetype head_end = -1, content_length = 0;
    while (head_end < 0 || buffer.size() < head_end + 4 + content_length) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        char chunk[8192];
        const ssize_t got = left.count() > 0 && waitUntilReadable(connection, int(left.count()))
                                ? ::recv(connection, chunk, sizeof chunk, 0)
                                : 0;
        if (got <= 0 || buffer.size() > max_request_size)
            return false;
        buffer.append(chunk, got);
        // Once the head is complete, it is parsed; then only the body is awaited.
        if (head_end >= 0 || (head_end = buffer.indexOf("\r\n\r\n")) < 0)
            continue;

        // The request line, then one header per line.
        const QList<QByteArray> lines = buffer.left(head_end).split('\n');
        const QList<QByteArray> requestLine = lines.front().trimmed().split(' ');
        if (requestLine.size() != 3)
            return false;
        request.method = requestLine[0];
        request.target = requestLine[1];
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines[i].indexOf(':');
            if (colon < 0)
                continue;
            request.headers.emplace_back(lines[i].left(colon), lines[i].mid(colon + 1).trimmed());
            if (request.headers.back().first.compare("Content-Length", Qt::CaseInsensitive) == 0)
                content_length = request.headers.back().second.toLongLong();
        }
    }
    request.body = buffer.mid(head_end + 4, content_length);
    return true;
}

void StandInHttpServer::send(int connection, const StandInReply &reply)
{
    const QByteArray head =
        "HTTP/1.1 " + QByteArray::number(reply.status) + " Stand-in\r\nContent-Type: " + reply.contentType +
        "\r\nContent-Length: " + QByteArray::number(reply.body.size()) + "\r\nConnection: close\r\n\r\n";
    if (!pause(reply.delay) || !send_all(connection, head.constData(), head.size()))
        return;
    const qsizetype to_send = reply.cutShort ? reply.body.size() / 2 : reply.body.size();
    const qsizetype piece = std::max<qsizetype>((to_send + reply.pieces - 1) / std::max(reply.pieces, 1), 1);
    for (qsizetype offset = 0; offset < to_send; offset += piece) {
        if ((offset > 0 && !pause(reply.delay)) ||
            !send_all(connection, reply.body.constData() + offset, std::min(piece, to_send - offset)))
            return;
    }
    ::shutdown(connection, SHUT_WR);
}

bool StandInHttpServer::waitUntilReadable(int fd, int timeoutMs)
{
    pollfd watched[2] = {{fd, POLLIN, 0}, {wakeRead, POLLIN, 0}};
    int ready;
    while ((ready = ::poll(watched, 2, timeoutMs)) < 0 && errno == EINTR) {
    }
    return ready > 0 && watched[1].revents == 0;
}

bool StandInHttpServer::pause(std::chrono::milliseconds duration)
{
    pollfd wake{wakeRead, POLLIN, 0};
    return duration.count() <= 0 || ::poll(&wake, 1, int(duration.count())) == 0;
}

ClosedPort::ClosedPort()
{
    // Bound but never listening: the port stays taken and every connection is refused.
    socket = bind_loopback(port);
}

ClosedPort::~ClosedPort()
{
    ::close(socket);
}

QString ClosedPort::baseUrl() const
{
    return loopback_url(port);
}
