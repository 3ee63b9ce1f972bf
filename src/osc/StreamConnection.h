#pragma once

#include "osc/StreamDecoder.h"

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QString>

class QTcpSocket;

// One TCP connection carrying OSC messages in a stream framing. The peer is untrusted: what it
// sends is decoded with limits, and a fault closes the connection; what we send waits in a
// bounded queue, so a peer that stops reading is dropped rather than let the queue grow.
class StreamConnection : public QObject
{
    Q_OBJECT

public:
    // Bytes we hold for a peer that reads slower than we write.
    static constexpr qint64 MaxQueuedBytes = 4 * 1024 * 1024;
    // Bytes Qt reads ahead of us; past it the peer waits on TCP's own flow control.
    static constexpr qint64 ReadAheadBytes = 1024 * 1024;
    // Time one turn of reading may take before the window gets the event loop back.
    static constexpr qint64 MaxReadNs = 20 * 1000 * 1000;

    // Takes the socket, connected or still connecting, as its child.
    StreamConnection(QTcpSocket *socket, StreamDecoder::Choice framing, QObject *parent = nullptr);

    QHostAddress peerAddress() const { return m_peerAddress; }
    quint16 peerPort() const { return m_peerPort; }
    // "address:port", as the log names a sender.
    QString peerName() const;
    quint16 localPort() const;
    bool isConnected() const;
    FramingDetector::Framing framing() const { return m_decoder.framing(); }

    // Frames the message for this peer: in the framing its bytes showed, else the chosen one,
    // length-prefixed while Auto has seen nothing. False, and the connection closed with a
    // notice, when the queue would pass MaxQueuedBytes.
    bool send(const QByteArray &datagram);
    // Closes at once; closed() follows.
    void abort();

signals:
    void connected();
    void messageReceived(const QByteArray &message, const QHostAddress &peer, quint16 peerPort);
    // The framing Auto decided on, once per connection.
    void framingDecided(FramingDetector::Framing framing);
    // A [SYS] line about this connection, naming the peer.
    void notice(const QString &text);
    // Once, when the connection has ended for whatever reason; the object may then be deleted.
    void closed(const QString &reason);

private:
    void rememberPeer();
    void readAvailable();
    void readToEnd();
    // Decodes one chunk; false once the connection has ended, by a fault or by a receiver.
    bool readChunk();
    void refuse();
    void finish();

    QTcpSocket *m_socket;
    StreamDecoder::Choice m_choice;
    StreamDecoder m_decoder;
    QHostAddress m_peerAddress;
    quint16 m_peerPort = 0;
    bool m_finished = false;
    bool m_readScheduled = false;
};
