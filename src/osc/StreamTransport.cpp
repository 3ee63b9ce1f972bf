#include "osc/StreamTransport.h"

#include "osc/StreamConnection.h"

#include <QTcpSocket>

StreamTransport::StreamTransport(StreamDecoder::Choice framing, QObject *parent)
    : QObject(parent)
    , m_framing(framing)
{
}

QStringList StreamTransport::peerNames() const
{
    QStringList names;
    for (const StreamConnection *connection : m_connections) {
        if (connection->isConnected())
            names << connection->peerName();
    }
    return names;
}

int StreamTransport::send(const QByteArray &datagram)
{
    int sent = 0;
    // Sending may drop a connection, which changes the list.
    const QList<StreamConnection *> connections = m_connections;
    for (StreamConnection *connection : connections) {
        if (m_chosenPeer.isEmpty() || connection->peerName() == m_chosenPeer)
            sent += sendOn(connection, datagram) ? 1 : 0;
    }
    return sent;
}

bool StreamTransport::sendTo(const QByteArray &datagram, const QHostAddress &peer, quint16 peerPort)
{
    const QList<StreamConnection *> connections = m_connections;
    for (StreamConnection *connection : connections) {
        if (connection->peerPort() == peerPort && connection->peerAddress().isEqual(peer))
            return sendOn(connection, datagram);
    }
    return false;
}

bool StreamTransport::sendOn(StreamConnection *connection, const QByteArray &datagram)
{
    if (!connection->send(datagram))
        return false;
    emit messageSent(datagram, connection->peerAddress(), connection->peerPort());
    return true;
}

StreamConnection *StreamTransport::adopt(QTcpSocket *socket)
{
    auto *connection = new StreamConnection(socket, m_framing, this);
    m_connections << connection;
    connect(connection, &StreamConnection::messageReceived, this, &StreamTransport::messageReceived);
    connect(connection, &StreamConnection::notice, this, &StreamTransport::notice);
    connect(connection, &StreamConnection::connected, this, &StreamTransport::peersChanged);
    connect(connection, &StreamConnection::framingDecided, this, [this, connection](FramingDetector::Framing framing) {
        emit framingDecided(connection->peerName(), framing);
    });
    connect(connection, &StreamConnection::closed, this, [this, connection](const QString &reason) {
        m_connections.removeOne(connection);
        // The socket may still be inside one of its own signals.
        connection->deleteLater();
        connectionClosed(connection, reason);
        emit peersChanged();
    });
    return connection;
}

void StreamTransport::closeAll()
{
    const QList<StreamConnection *> connections = m_connections;
    for (StreamConnection *connection : connections) {
        connection->disconnect(this);
        connection->abort();
        // We may be inside one of its own signals.
        connection->deleteLater();
    }
    m_connections.clear();
}
