#include "support/LocalHttpServer.h"

#include <QHostAddress>
#include <QTcpSocket>

namespace {
constexpr qint64 StreamChunkBytes = 64 * 1024;
const QByteArray HeaderEnd("\r\n\r\n");
}

LocalHttpServer::LocalHttpServer(QObject *parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &LocalHttpServer::onNewConnection);
}

LocalHttpServer::~LocalHttpServer()
{
    // Connections still open close while the members are torn down; nothing here may hear of it.
    const auto sockets = m_server.findChildren<QTcpSocket *>();
    for (QTcpSocket *socket : sockets)
        socket->disconnect(this);
}

bool LocalHttpServer::listen()
{
    return m_server.listen(QHostAddress::LocalHost, 0);
}

QUrl LocalHttpServer::baseUrl() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort()));
}

QUrl LocalHttpServer::url(const QString &path) const
{
    return baseUrl().resolved(QUrl(path));
}

void LocalHttpServer::setReply(const QString &path, const Reply &reply)
{
    m_replies.insert(path, reply);
}

const QList<LocalHttpServer::Request> &LocalHttpServer::requests() const
{
    return m_requests;
}

int LocalHttpServer::closedByClient() const
{
    return m_closedByClient;
}

void LocalHttpServer::onNewConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            if (!socket->property("closingOurselves").toBool())
                ++m_closedByClient;
            m_pending.remove(socket);
            socket->deleteLater();
        });
    }
}

void LocalHttpServer::onReadyRead(QTcpSocket *socket)
{
    QByteArray &pending = m_pending[socket];
    pending += socket->readAll();
    const qsizetype headerEnd = pending.indexOf(HeaderEnd);
    if (headerEnd < 0 || socket->property("answered").toBool())
        return;
    socket->setProperty("answered", true);

    const QList<QByteArray> lines = pending.left(headerEnd).split('\n');
    const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
    Request request;
    request.url = QUrl::fromEncoded(requestLine.value(1));
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines.at(i).indexOf(':');
        if (colon > 0)
            request.headers.insert(lines.at(i).left(colon).trimmed().toLower(), lines.at(i).mid(colon + 1).trimmed());
    }
    m_requests.append(request);

    const auto found = m_replies.constFind(request.url.path());
    Reply notFound;
    notFound.status = 404;
    respond(socket, found != m_replies.constEnd() ? *found : notFound);
}

void LocalHttpServer::respond(QTcpSocket *socket, const Reply &reply)
{
    if (reply.behaviour == Behaviour::NeverAnswer)
        return;

    QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + " Status\r\n"
                    + "Content-Type: " + reply.contentType + "\r\nConnection: close\r\n";
    if (reply.behaviour == Behaviour::Answer)
        head += "Content-Length: " + QByteArray::number(reply.contentLength >= 0 ? reply.contentLength : reply.body.size()) + "\r\n";
    socket->write(head + "\r\n" + reply.body);

    if (reply.behaviour == Behaviour::StreamForever) {
        connect(socket, &QTcpSocket::bytesWritten, socket, [socket] {
            if (socket->bytesToWrite() < StreamChunkBytes)
                socket->write(QByteArray(StreamChunkBytes, ' '));
        });
    } else if (reply.contentLength < 0 || reply.contentLength == reply.body.size()) {
        socket->setProperty("closingOurselves", true);
        socket->disconnectFromHost();
    }
}
