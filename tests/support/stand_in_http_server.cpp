#include "tests/support/stand_in_http_server.h"

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
#include <strings.h>

namespace {

// A request that takes longer than this to arrive is dropped, so a broken
// client cannot hang the server thread.
constexpr int request_timeout_ms = 10000;
constexpr size_t max_request_size = 1 << 20;

[[noreturn]] void fail(const char *what)
{
    throw std::runtime_error(std::string("stand-in HTTP server: ") + what + ": " + std::strerror(errno));
}

// A TCP socket bound to 127.0.0.1 on a port the system picks; returns the port.
int bind_loopback(unsigned short &port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        fail("socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
        ::close(fd);
        fail("bind");
    }
    port = ntohs(address.sin_port);
    return fd;
}

QString loopback_url(unsigned short port)
{
    return QStringLiteral("http://127.0.0.1:%1").arg(port);
}

const char *reason_phrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    case 502: return "Bad Gateway";
    default: return "Status";
    }
}

bool send_all(int fd, const char *data, size_t size)
{
    while (size > 0) {
        const ssize_t sent = ::send(fd, data, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return false;
        data += sent;
        size -= size_t(sent);
    }
    return true;
}

std::string trimmed(const std::string &text)
{
    const size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos)
        return {};
    return text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
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
    if (::listen(listener, 16) != 0)
        fail("listen");
    int wake[2];
    if (::pipe2(wake, O_CLOEXEC) != 0)
        fail("pipe");
    wakeRead = wake[0];
    wakeWrite = wake[1];
    thread = std::thread([this] { run(); });
}

StandInHttpServer::~StandInHttpServer()
{
    const char stop = 's';
    while (::write(wakeWrite, &stop, 1) < 0 && errno == EINTR) {
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
    Reply copy{reply.status,     reply.body.toStdString(), reply.contentType.toStdString(),
               reply.pieces,     reply.delay,              reply.cutShort};
    std::lock_guard lock(mutex);
    replies.push_back(std::move(copy));
}

void StandInHttpServer::enqueue(int status, const QByteArray &body, const QByteArray &contentType)
{
    StandInReply reply;
    reply.status = status;
    reply.body = body;
    reply.contentType = contentType;
    enqueue(reply);
}

std::vector<RecordedRequest> StandInHttpServer::requests() const
{
    std::lock_guard lock(mutex);
    std::vector<RecordedRequest> result;
    for (const Request &request : received) {
        RecordedRequest copy{QByteArray::fromStdString(request.method), QByteArray::fromStdString(request.target),
                             {}, QByteArray::fromStdString(request.body)};
        for (const auto &[key, value] : request.headers)
            copy.headers.emplace_back(QByteArray::fromStdString(key), QByteArray::fromStdString(value));
        result.push_back(std::move(copy));
    }
    return result;
}

void StandInHttpServer::run()
{
    for (;;) {
        if (!waitUntilReadable(listener, -1))
            return;
        const int connection = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0)
            continue;
        serve(connection);
        ::close(connection);
    }
}

void StandInHttpServer::serve(int connection)
{
    Request request;
    if (!receiveRequest(connection, request))
        return;
    {
        std::lock_guard lock(mutex);
        received.push_back(request);
    }
    sendReply(connection, nextReply());
}

bool StandInHttpServer::receiveRequest(int connection, Request &request)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(request_timeout_ms);
    std::string buffer;
    size_t head_end = std::string::npos, body_size = 0;
    for (;;) {
        if (head_end == std::string::npos) {
            head_end = buffer.find("\r\n\r\n");
            if (head_end != std::string::npos) {
                // Request line, then one header per line.
                size_t line_start = 0, line_end = buffer.find("\r\n");
                const std::string request_line = buffer.substr(0, line_end);
                const size_t first_space = request_line.find(' ');
                const size_t second_space = request_line.find(' ', first_space + 1);
                if (first_space == std::string::npos || second_space == std::string::npos)
                    return false;
                request.method = request_line.substr(0, first_space);
                request.target = request_line.substr(first_space + 1, second_space - first_space - 1);
                while (line_end < head_end) {
                    line_start = line_end + 2;
                    line_end = buffer.find("\r\n", line_start);
                    const std::string line = buffer.substr(line_start, line_end - line_start);
                    const size_t colon = line.find(':');
                    if (colon == std::string::npos)
                        continue;
                    std::string name = line.substr(0, colon), value = trimmed(line.substr(colon + 1));
                    if (::strcasecmp(name.c_str(), "Content-Length") == 0)
                        body_size = std::strtoull(value.c_str(), nullptr, 10);
                    request.headers.emplace_back(std::move(name), std::move(value));
                }
            }
        }
        if (head_end != std::string::npos && buffer.size() >= head_end + 4 + body_size) {
            request.body = buffer.substr(head_end + 4, body_size);
            return true;
        }
        if (buffer.size() > max_request_size)
            return false;

        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                               std::chrono::steady_clock::now());
        if (left.count() <= 0 || !waitUntilReadable(connection, int(left.count())))
            return false;
        char chunk[8192];
        const ssize_t got = ::recv(connection, chunk, sizeof chunk, 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        buffer.append(chunk, size_t(got));
    }
}

void StandInHttpServer::sendReply(int connection, const Reply &reply)
{
    if (!pause(reply.delay))
        return;
    const std::string head = "HTTP/1.1 " + std::to_string(reply.status) + " " + reason_phrase(reply.status) +
                             "\r\nContent-Type: " + reply.contentType +
                             "\r\nContent-Length: " + std::to_string(reply.body.size()) +
                             "\r\nConnection: close\r\n\r\n";
    if (!send_all(connection, head.data(), head.size()))
        return;

    const size_t to_send = reply.cutShort ? reply.body.size() / 2 : reply.body.size();
    const size_t pieces = size_t(std::max(reply.pieces, 1));
    const size_t piece_size = std::max<size_t>((to_send + pieces - 1) / pieces, 1);
    for (size_t offset = 0; offset < to_send; offset += piece_size) {
        if (offset > 0 && !pause(reply.delay))
            return;
        if (!send_all(connection, reply.body.data() + offset, std::min(piece_size, to_send - offset)))
            return;
    }
    ::shutdown(connection, SHUT_WR);
}

bool StandInHttpServer::waitUntilReadable(int fd, int timeoutMs)
{
    pollfd watched[2] = {{fd, POLLIN, 0}, {wakeRead, POLLIN, 0}};
    for (;;) {
        const int ready = ::poll(watched, 2, timeoutMs);
        if (ready < 0 && errno == EINTR)
            continue;
        return ready > 0 && watched[1].revents == 0;
    }
}

bool StandInHttpServer::pause(std::chrono::milliseconds duration)
{
    if (duration.count() <= 0)
        return true;
    pollfd wake{wakeRead, POLLIN, 0};
    return ::poll(&wake, 1, int(duration.count())) == 0;
}

StandInHttpServer::Reply StandInHttpServer::nextReply()
{
    std::lock_guard lock(mutex);
    if (replies.empty())
        return {500, "stand-in HTTP server: no reply prepared", "text/plain", 1, {}, false};
    Reply reply = std::move(replies.front());
    replies.pop_front();
    return reply;
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
