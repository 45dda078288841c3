#include "tests/support/stand_in_http_server.h"

#include <QList>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

namespace {

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
        throw std::runtime_error("stand-in HTTP server: no loopback port");
    port = ntohs(address.sin_port);
    return fd;
}

// The request as far as it has arrived; false until it is complete.
bool parse(const QByteArray &bytes, RecordedRequest &request)
{
    const qsizetype headEnd = bytes.indexOf("\r\n\r\n");
    if (headEnd < 0)
        return false;
    QList<QByteArray> lines = bytes.left(headEnd).split('\n');
    const QList<QByteArray> requestLine = lines.takeFirst().trimmed().split(' ');
    request = {requestLine.value(0), requestLine.value(1), {}, {}};
    for (const QByteArray &line : lines) {
        if (const qsizetype colon = line.indexOf(':'); colon >= 0)
            request.headers.emplace_back(line.left(colon), line.mid(colon + 1).trimmed());
    }
    request.body = bytes.mid(headEnd + 4);
    return request.body.size() >= request.header("Content-Length").toLongLong();
}

bool send_all(int fd, const char *data, qsizetype size)
{
    for (ssize_t sent; size > 0; data += sent, size -= sent) {
        if ((sent = ::send(fd, data, size_t(size), MSG_NOSIGNAL)) <= 0)
            return false;
    }
    return true;
}

void send_reply(int connection, const StandInReply &reply)
{
    const QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + " Stand-in\r\nContent-Type: " +
                            reply.contentType + "\r\nContent-Length: " + QByteArray::number(reply.body.size()) +
                            "\r\nConnection: close\r\n\r\n";
    std::this_thread::sleep_for(reply.delay);
    if (!send_all(connection, head.constData(), head.size()))
        return;
    const qsizetype size = reply.cutShort ? reply.body.size() / 2 : reply.body.size();
    const qsizetype piece = std::max<qsizetype>((size + reply.pieces - 1) / std::max(reply.pieces, 1), 1);
    for (qsizetype offset = 0; offset < size; offset += piece) {
        if (offset > 0)
            std::this_thread::sleep_for(reply.delay);
        if (!send_all(connection, reply.body.constData() + offset, std::min(piece, size - offset)))
            return;
    }
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

StandInHttpServer::StandInHttpServer() : listener(bind_loopback(port)), refusing(bind_loopback(refusingPort))
{
    // The refusing socket is bound but never listens: its port stays taken and refuses connections.
    if (::listen(listener, 16) != 0)
        throw std::runtime_error("stand-in HTTP server: cannot listen");
    thread = std::thread([this] { run(); });
}

StandInHttpServer::~StandInHttpServer()
{
    // Makes the waiting accept fail, which ends the thread.
    ::shutdown(listener, SHUT_RDWR);
    thread.join();
    ::close(listener);
    ::close(refusing);
}

void StandInHttpServer::enqueue(const StandInReply &reply)
{
    // Deep copies, so that the server thread shares no array with the caller.
    StandInReply copy = reply;
    copy.body = QByteArray(reply.body.constData(), reply.body.size());
    copy.contentType = QByteArray(reply.contentType.constData(), reply.contentType.size());
    std::lock_guard lock(mutex);
    replies.push_back(std::move(copy));
}

std::vector<RecordedRequest> StandInHttpServer::requests() const
{
    std::lock_guard lock(mutex);
    return received;
}

void StandInHttpServer::run()
{
    for (int connection; (connection = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC)) >= 0 || errno == EINTR;) {
        if (connection < 0)
            continue;
        // A client that stops sending cannot hold the thread for long.
        const timeval timeout{10, 0};
        ::setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        QByteArray bytes;
        RecordedRequest request;
        char chunk[8192];
        for (ssize_t got = 0; !parse(bytes, request) && (got = ::recv(connection, chunk, sizeof chunk, 0)) > 0;)
            bytes.append(chunk, got);
        if (parse(bytes, request)) {
            StandInReply reply{500, "stand-in HTTP server: no reply prepared", "text/plain"};
            {
                std::lock_guard lock(mutex);
                received.push_back(request);
                if (!replies.empty()) {
                    reply = std::move(replies.front());
                    replies.pop_front();
                }
            }
            send_reply(connection, reply);
        }
        ::close(connection);
    }
}
