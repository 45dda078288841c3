#include "tests/support/stand_in_http_server.h"

#include <QTimer>

#include <stdexcept>

QByteArray RecordedRequest::header(const QByteArray &name) const
{
    for (const QByteArray &line : head.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(colon + 1).trimmed();
    }
    return {};
}

StandInHttpServer::StandInHttpServer()
{
    if (!server.listen(QHostAddress::LocalHost) || !refusing.bind(QHostAddress::LocalHost))
        throw std::runtime_error("stand-in HTTP server: no loopback port");
    QObject::connect(&server, &QTcpServer::newConnection, [this] {
        while (QTcpSocket *socket = server.nextPendingConnection()) {
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { answer(socket); });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

// Answers once the whole request has arrived.
void StandInHttpServer::answer(QTcpSocket *socket)
{
    const QByteArray bytes = socket->peek(socket->bytesAvailable());
    const qsizetype headEnd = bytes.indexOf("\r\n\r\n");
    if (headEnd < 0)
        return;
    const QList<QByteArray> requestLine = bytes.left(bytes.indexOf("\r\n")).split(' ');
    const RecordedRequest request{requestLine.value(0), requestLine.value(1), bytes.left(headEnd),
                                  bytes.mid(headEnd + 4)};
    if (request.body.size() < request.header("Content-Length").toLongLong())
        return;
    socket->readAll();
    QObject::disconnect(socket, &QTcpSocket::readyRead, nullptr, nullptr);
    received.push_back(request);

    StandInReply reply{500, "stand-in HTTP server: no reply prepared", "text/plain"};
    if (!replies.empty()) {
        reply = replies.front();
        replies.pop_front();
    }
    socket->write("HTTP/1.1 " + QByteArray::number(reply.status) + " Stand-in\r\nContent-Type: " + reply.contentType +
                  "\r\nContent-Length: " + QByteArray::number(reply.body.size()) + "\r\nConnection: close\r\n" +
                  reply.headers + "\r\n");
    const auto sendBody = [socket, body = reply.cutShort ? reply.body.left(reply.body.size() / 2) : reply.body] {
        socket->write(body);
        socket->disconnectFromHost();
    };
    if (reply.delay.count() > 0)
        QTimer::singleShot(reply.delay, socket, sendBody);
    else
        sendBody();
}
