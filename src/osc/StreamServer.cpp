#include "osc/StreamServer.h"

#include "i18n/LanguageManager.h"
#include "osc/StreamConnection.h"

#include <QTcpServer>
#include <QTcpSocket>

StreamServer::StreamServer(StreamDecoder::Choice framing, QObject *parent)
    : StreamTransport(framing, parent)
    , m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &StreamServer::acceptPending);
}

StreamServer::~StreamServer()
{
    closeAll();
}

bool StreamServer::listen(quint16 port)
{
    if (m_server->listen(QHostAddress::Any, port))
        return true;
    // A system without IPv6 refuses the dual-stack address; IPv4 alone still serves.
    return m_server->listen(QHostAddress::AnyIPv4, port);
}

QString StreamServer::errorString() const
{
    return m_server->errorString();
}

quint16 StreamServer::localPort() const
{
    return m_server->serverPort();
}

void StreamServer::acceptPending()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        const StreamConnection *connection = adopt(socket);
        emit notice(picked("[%1] 已连接", "[%1] connected").arg(connection->peerName()));
        emit peersChanged();
    }
}

void StreamServer::connectionClosed(StreamConnection *connection, const QString &reason)
{
    Q_UNUSED(reason);
    emit notice(picked("[%1] 已断开", "[%1] disconnected").arg(connection->peerName()));
}
