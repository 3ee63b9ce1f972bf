#pragma once

#include "osc/StreamDecoder.h"
#include "osc/UdpDropCounter.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QNetworkInterface>
#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

class QUdpSocket;
class StreamTransport;

// The transport: binds a local UDP port, drains every datagram that arrives on it and sends
// datagrams to a numeric IPv4 or IPv6 host, broadcast and multicast ones included. Or, chosen
// instead, OSC over TCP as a server or a client, whose messages come and go as datagrams do, each
// named by its peer. It keeps no log and knows no widgets; whoever holds it turns its signals into
// log entries.
class OscLink : public QObject
{
    Q_OBJECT

public:
    // Room for a burst that arrives while the event loop is busy (painting, say): the system's
    // default holds only a few milliseconds of heavy traffic. The system may grant less; Linux caps
    // it at net.core.rmem_max.
    static constexpr int ReceiveBufferBytes = 4 * 1024 * 1024;
    // A flood that arrives about as fast as it is handled would keep one drain going for as long
    // as it lasts and freeze the window. Past this much time the rest waits in the socket, which
    // stays readable, for the next turn of the event loop.
    static constexpr qint64 MaxDrainNs = 20 * 1000 * 1000;
    // Every UDP datagram fits, so each is read whole without asking the system for its size first.
    static constexpr qsizetype MaxDatagramSize = 65536;
    // Our own multicast stays on the local network unless asked otherwise.
    static constexpr int DefaultMulticastTtl = 1;
    // The shortest time between two reports that a TCP send found no peer.
    static constexpr qint64 NoPeerRepeatMs = 1000;

    // In the order the connection settings offer them.
    enum class Transport { Udp, TcpClient, TcpServer };

    explicit OscLink(QObject *parent = nullptr);
    ~OscLink() override;

    bool isBound() const;
    quint16 localPort() const;

    // A fresh socket for every try, so a refused bind leaves nothing behind; on refusal
    // bindFailed carries the system's reason and false is returned. The default address takes
    // IPv4 and IPv6 on one socket; where the system has no IPv6 it binds IPv4 only and says so
    // with ipv6Unavailable after bound.
    bool bind(quint16 port, const QHostAddress &address = QHostAddress(QHostAddress::Any));
    void release();
    // Binds the local port (UDP), listens on it (TCP server) or connects to the numeric host,
    // and keeps reconnecting (TCP client), by the transport chosen.
    bool open(quint16 localPort, const QString &host, quint16 port);

    // Both take effect at the next open.
    void setTransport(Transport transport) { m_transport = transport; }
    Transport transport() const { return m_transport; }
    void setStreamFraming(StreamDecoder::Choice framing) { m_framing = framing; }

    // Only numeric hosts are accepted: a name would parse to the null address, which the system
    // takes for this machine, and the send would seem to succeed. Returns whether the datagram went
    // out; if not, sendFailed says why.
    // Over TCP the host and port are not used: a server sends to the chosen peer or to all of
    // them, a client to its connection.
    bool send(const QByteArray &datagram, const QString &host, quint16 port);
    // Back to whoever sent a received datagram: over TCP, its connection only.
    bool reply(const QByteArray &datagram, const QString &host, quint16 port);

    // The TCP peers connected now; empty over UDP.
    QStringList streamPeers() const;
    // Where a TCP server sends: one peer by name, or all of them when empty.
    void chooseStreamPeer(const QString &peerName);

    // The socket always binds the any-address: bound to one interface's unicast address, Linux
    // would no longer deliver broadcast or multicast datagrams to it, and QUdpSocket cannot tell
    // which interface a datagram came in on. The chosen interface is where groups are joined and
    // where our multicast goes out; an invalid one leaves both to the system's routes.
    void setNetworkInterface(const QNetworkInterface &networkInterface);
    // Leaves the group joined before and joins this one while bound, now and at every bind; an
    // empty text joins none. Refusals come as multicastFailed and leave no group joined.
    void setMulticastGroup(const QString &group);
    QHostAddress joinedGroup() const { return m_joinedGroup; }
    void setMulticastTtl(int ttl);

    // Datagrams the system has dropped on the bound socket since it was bound, for want of room
    // in its receive buffer; none while unbound or where the system does not tell.
    std::optional<quint64> receiveDrops() const;

public slots:
    // Reads every pending datagram in arrival order, for at most MaxDrainNs.
    void drain();

signals:
    void bound(quint16 port);
    void bindFailed(const QString &reason);
    void ipv6Unavailable();
    // The socket is still open: what it counted can still be read.
    void aboutToRelease();
    void released();
    // One per datagram, in arrival order. IPv4 senders come as plain IPv4 addresses, also on
    // the dual-stack socket, which sees them as IPv4-mapped IPv6 addresses.
    void datagramReceived(const QByteArray &datagram, const QHostAddress &sender, quint16 senderPort);
    // One per datagram that went out, and per peer it went to.
    void datagramSent(const QByteArray &datagram, const QHostAddress &target, quint16 targetPort);
    void sendFailed(const QString &reason);
    void multicastFailed(const QString &reason);
    // Over TCP: peers coming and going, reconnecting, refused streams.
    void streamNotice(const QString &text);
    void framingDecided(const QString &peerName, FramingDetector::Framing framing);
    void streamPeersChanged();

private:
    bool openStream(StreamTransport *stream);
    const QHostAddress &plainSender(const QHostAddress &sender);
    int interfaceIndex() const;
    bool viaSystem(const QHostAddress &group) const;
    void applySendOptions();
    void joinGroup();
    void leaveGroup();

    Transport m_transport = Transport::Udp;
    StreamDecoder::Choice m_framing = StreamDecoder::Choice::Auto;
    QUdpSocket *m_socket = nullptr;
    StreamTransport *m_stream = nullptr;
    QString m_chosenPeer;
    QElapsedTimer m_noPeerSaid;
    std::optional<UdpDropCounter> m_dropCounter;
    QByteArray m_receiveBuffer;
    // IPv4 datagrams mostly come from one peer, so its mapped address is converted once.
    QHostAddress m_lastMappedSender;
    QHostAddress m_lastPlainSender;
    QNetworkInterface m_interface;
    QString m_groupText;
    QHostAddress m_joinedGroup;
    int m_multicastTtl = DefaultMulticastTtl;
};
