#pragma once

#include "osc/StreamDecoder.h"

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

class QTcpSocket;
class StreamConnection;

// What the TCP server and the TCP client share: their connections, each with its own decoder,
// and sending to one of them or to all.
class StreamTransport : public QObject
{
    Q_OBJECT

public:
    explicit StreamTransport(StreamDecoder::Choice framing, QObject *parent = nullptr);

    virtual quint16 localPort() const = 0;

    // The connected peers, "address:port" each, in the order they connected.
    QStringList peerNames() const;
    // Where send() goes: the peer of that name, or every peer when the name is empty.
    void choosePeer(const QString &peerName) { m_chosenPeer = peerName; }
    QString chosenPeer() const { return m_chosenPeer; }

    // To the chosen peer, or to every peer; returns how many it went to.
    int send(const QByteArray &datagram);
    // To this peer only, if it is still connected.
    bool sendTo(const QByteArray &datagram, const QHostAddress &peer, quint16 peerPort);

signals:
    void messageReceived(const QByteArray &message, const QHostAddress &peer, quint16 peerPort);
    void messageSent(const QByteArray &message, const QHostAddress &peer, quint16 peerPort);
    void notice(const QString &text);
    void framingDecided(const QString &peerName, FramingDetector::Framing framing);
    void peersChanged();

protected:
    // Decodes the socket's stream from now on; the connection is dropped once it closes.
    StreamConnection *adopt(QTcpSocket *socket);
    // After a connection has closed and been dropped from the list.
    virtual void connectionClosed(StreamConnection *connection, const QString &reason) = 0;
    void closeAll();

private:
    bool sendOn(StreamConnection *connection, const QByteArray &datagram);

    StreamDecoder::Choice m_framing;
    QList<StreamConnection *> m_connections;
    QString m_chosenPeer;
};
