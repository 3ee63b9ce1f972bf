#include "osc/OscLink.h"

#include "i18n/LanguageManager.h"
#include "osc/StreamClient.h"
#include "osc/StreamServer.h"

#include <QElapsedTimer>
#include <QUdpSocket>
#include <QVariant>

#ifdef Q_OS_LINUX
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

namespace {

// How a system without IPv6 may refuse the dual-stack address. Qt itself already falls back to
// IPv4 where no IPv6 socket can be opened at all.
bool lacksIPv6(QAbstractSocket::SocketError error)
{
    return error == QAbstractSocket::UnsupportedSocketOperationError
        || error == QAbstractSocket::SocketAddressNotAvailableError;
}

// On a dual-stack socket Qt sets the multicast options of IPv6 only; IPv4 groups reached through
// the same socket take their interface and TTL from the IPv4 options, which Linux accepts there too.
void setIPv4MulticastOptions(qintptr descriptor, int interfaceIndex, int ttl)
{
#ifdef Q_OS_LINUX
    const int fd = int(descriptor);
    ip_mreqn request {};
    request.imr_ifindex = interfaceIndex;
    setsockopt(fd, IPPROTO_IP, IP_MULTICAST_IF, &request, sizeof(request));
    setsockopt(fd, IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof(ttl));
    const int loop = 1;
    setsockopt(fd, IPPROTO_IP, IP_MULTICAST_LOOP, &loop, sizeof(loop));
#else
    Q_UNUSED(descriptor);
    Q_UNUSED(interfaceIndex);
    Q_UNUSED(ttl);
#endif
}

// Qt refuses IPv4 groups on a dual-stack socket, which Linux serves like an IPv4 one; there the
// membership is asked of the system directly. Returns the system's reason, or nothing.
std::optional<QString> changeIPv4Membership(qintptr descriptor, const QHostAddress &group, int interfaceIndex,
                                            bool join)
{
#ifdef Q_OS_LINUX
    ip_mreqn request {};
    request.imr_multiaddr.s_addr = htonl(group.toIPv4Address());
    request.imr_ifindex = interfaceIndex;
    if (setsockopt(int(descriptor), IPPROTO_IP, join ? IP_ADD_MEMBERSHIP : IP_DROP_MEMBERSHIP, &request,
                   sizeof(request)) == 0)
        return std::nullopt;
    return QString::fromLocal8Bit(strerror(errno));
#else
    Q_UNUSED(descriptor);
    Q_UNUSED(group);
    Q_UNUSED(interfaceIndex);
    Q_UNUSED(join);
    return QStringLiteral("IPv4 group on an IPv6 socket");
#endif
}

QString groupFailure(const char *chinese, const char *english, const QString &group)
{
    return LanguageManager::instance().pick(QString::fromUtf8(chinese), QString::fromUtf8(english)).arg(group);
}

} // namespace

OscLink::OscLink(QObject *parent)
    : QObject(parent)
{
}

OscLink::~OscLink()
{
    if (m_socket)
        m_socket->close();
    delete m_stream;
}

bool OscLink::isBound() const
{
    return m_socket || m_stream;
}

quint16 OscLink::localPort() const
{
    if (m_stream)
        return m_stream->localPort();
    return m_socket ? m_socket->localPort() : 0;
}

bool OscLink::open(quint16 localPort, const QString &host, quint16 port)
{
    switch (m_transport) {
    case Transport::Udp:
        return bind(localPort);
    case Transport::TcpServer: {
        release();
        auto *server = new StreamServer(m_framing, this);
        if (!server->listen(localPort)) {
            const QString reason = server->errorString();
            delete server;
            emit bindFailed(reason);
            return false;
        }
        return openStream(server);
    }
    case Transport::TcpClient:
        break;
    }
    release();
    const QHostAddress peer(host.trimmed());
    if (peer.isNull()) {
        emit bindFailed(picked("目标地址无效: ", "invalid target address: ") + host.trimmed());
        return false;
    }
    auto *client = new StreamClient(m_framing, peer, port, this);
    openStream(client);
    client->connectToPeer();
    return true;
}

bool OscLink::openStream(StreamTransport *stream)
{
    m_stream = stream;
    m_stream->choosePeer(m_chosenPeer);
    connect(stream, &StreamTransport::messageReceived, this, &OscLink::datagramReceived);
    connect(stream, &StreamTransport::messageSent, this, &OscLink::datagramSent);
    connect(stream, &StreamTransport::notice, this, &OscLink::streamNotice);
    connect(stream, &StreamTransport::framingDecided, this, &OscLink::framingDecided);
    connect(stream, &StreamTransport::peersChanged, this, &OscLink::streamPeersChanged);
    emit bound(stream->localPort());
    return true;
}

bool OscLink::bind(quint16 port, const QHostAddress &address)
{
    release();
    const bool dualStack = address.protocol() == QAbstractSocket::AnyIPProtocol;
    // The platform's default mode does not share the port: a port held by any other socket,
    // IPv4 or IPv6, is refused.
    auto *socket = new QUdpSocket(this);
    bool isBound = socket->bind(address, port, QAbstractSocket::DefaultForPlatform);
    if (!isBound && dualStack && lacksIPv6(socket->error())) {
        delete socket;
        socket = new QUdpSocket(this);
        isBound = socket->bind(QHostAddress::AnyIPv4, port, QAbstractSocket::DefaultForPlatform);
    }
    if (!isBound) {
        const QString reason = socket->errorString();
        delete socket;
        emit bindFailed(reason);
        return false;
    }
    socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, ReceiveBufferBytes);
    connect(socket, &QUdpSocket::readyRead, this, &OscLink::drain);
    m_socket = socket;
    m_dropCounter = UdpDropCounter::forSocket(socket->socketDescriptor());
    // Qt sets SO_BROADCAST on every UDP socket it opens, so broadcast targets need nothing here.
    applySendOptions();
    emit bound(m_socket->localPort());
    joinGroup();
    if (dualStack && m_socket && m_socket->localAddress().protocol() != QAbstractSocket::AnyIPProtocol)
        emit ipv6Unavailable();
    return true;
}

void OscLink::release()
{
    if (m_stream) {
        emit aboutToRelease();
        m_stream->disconnect(this);
        // We may be inside one of its signals.
        m_stream->deleteLater();
        m_stream = nullptr;
        emit released();
        emit streamPeersChanged();
        return;
    }
    if (!m_socket)
        return;
    emit aboutToRelease();
    leaveGroup();
    m_socket->close();
    delete m_socket;
    m_socket = nullptr;
    m_dropCounter.reset();
    emit released();
}

bool OscLink::send(const QByteArray &datagram, const QString &host, quint16 port)
{
    if (m_stream) {
        if (m_stream->send(datagram) > 0)
            return true;
        // Auto-send keeps trying while a client reconnects; saying why once a second is enough.
        if (!m_noPeerSaid.isValid() || m_noPeerSaid.hasExpired(NoPeerRepeatMs)) {
            m_noPeerSaid.start();
            emit sendFailed(picked("没有已连接的对方", "no connected peer"));
        }
        return false;
    }
    if (!m_socket) {
        emit sendFailed(LanguageManager::instance().pick(QStringLiteral("未绑定"), QStringLiteral("not bound")));
        return false;
    }
    const QString hostText = host.trimmed();
    const QHostAddress target(hostText);
    if (target.isNull()) {
        const LanguageManager &language = LanguageManager::instance();
        emit sendFailed(language.pick(QStringLiteral("目标地址无效: "), QStringLiteral("invalid target address: ")) + hostText);
        return false;
    }
    if (m_socket->writeDatagram(datagram, target, port) < 1) {
        emit sendFailed(m_socket->errorString());
        return false;
    }
    emit datagramSent(datagram, target, port);
    return true;
}

bool OscLink::reply(const QByteArray &datagram, const QString &host, quint16 port)
{
    if (m_stream)
        return m_stream->sendTo(datagram, QHostAddress(host), port);
    return send(datagram, host, port);
}

QStringList OscLink::streamPeers() const
{
    return m_stream ? m_stream->peerNames() : QStringList();
}

void OscLink::chooseStreamPeer(const QString &peerName)
{
    m_chosenPeer = peerName;
    if (m_stream)
        m_stream->choosePeer(peerName);
}

void OscLink::setNetworkInterface(const QNetworkInterface &networkInterface)
{
    if (networkInterface.index() == m_interface.index() && networkInterface.isValid() == m_interface.isValid())
        return;
    leaveGroup();
    m_interface = networkInterface;
    applySendOptions();
    joinGroup();
}

void OscLink::setMulticastGroup(const QString &group)
{
    const QString text = group.trimmed();
    if (text == m_groupText)
        return;
    leaveGroup();
    m_groupText = text;
    joinGroup();
}

void OscLink::setMulticastTtl(int ttl)
{
    m_multicastTtl = ttl;
    applySendOptions();
}

void OscLink::applySendOptions()
{
    if (!m_socket)
        return;
    // Our own sends come back to us, so that one machine can test itself.
    m_socket->setSocketOption(QAbstractSocket::MulticastLoopbackOption, 1);
    m_socket->setSocketOption(QAbstractSocket::MulticastTtlOption, m_multicastTtl);
    m_socket->setMulticastInterface(m_interface);
    if (m_socket->localAddress().protocol() != QAbstractSocket::IPv4Protocol)
        setIPv4MulticastOptions(m_socket->socketDescriptor(), interfaceIndex(), m_multicastTtl);
}

int OscLink::interfaceIndex() const
{
    return m_interface.isValid() ? m_interface.index() : 0;
}

bool OscLink::viaSystem(const QHostAddress &group) const
{
    return group.protocol() == QAbstractSocket::IPv4Protocol
        && m_socket->localAddress().protocol() != QAbstractSocket::IPv4Protocol;
}

void OscLink::joinGroup()
{
    if (!m_socket || m_groupText.isEmpty())
        return;
    const QHostAddress group(m_groupText);
    if (!group.isMulticast()) {
        emit multicastFailed(groupFailure("组播地址无效: %1", "Not a multicast group: %1", m_groupText));
        return;
    }
    std::optional<QString> refusal;
    if (viaSystem(group))
        refusal = changeIPv4Membership(m_socket->socketDescriptor(), group, interfaceIndex(), true);
    else if (!(m_interface.isValid() ? m_socket->joinMulticastGroup(group, m_interface)
                                     : m_socket->joinMulticastGroup(group)))
        refusal = m_socket->errorString();
    if (refusal) {
        emit multicastFailed(groupFailure("加入组播组 %1 失败: ", "Could not join multicast group %1: ", m_groupText)
                             + *refusal);
        return;
    }
    m_joinedGroup = group;
}

void OscLink::leaveGroup()
{
    if (m_joinedGroup.isNull())
        return;
    if (m_socket && viaSystem(m_joinedGroup)) {
        changeIPv4Membership(m_socket->socketDescriptor(), m_joinedGroup, interfaceIndex(), false);
    } else if (m_socket) {
        if (m_interface.isValid())
            m_socket->leaveMulticastGroup(m_joinedGroup, m_interface);
        else
            m_socket->leaveMulticastGroup(m_joinedGroup);
    }
    m_joinedGroup.clear();
}

std::optional<quint64> OscLink::receiveDrops() const
{
    return m_dropCounter ? m_dropCounter->read() : std::nullopt;
}

const QHostAddress &OscLink::plainSender(const QHostAddress &sender)
{
    if (sender.protocol() != QAbstractSocket::IPv6Protocol)
        return sender;
    if (sender.isEqual(m_lastMappedSender, QHostAddress::StrictConversion))
        return m_lastPlainSender;
    bool mapped = false;
    const quint32 ipv4 = sender.toIPv4Address(&mapped);
    if (!mapped)
        return sender;
    m_lastMappedSender = sender;
    m_lastPlainSender = QHostAddress(ipv4);
    return m_lastPlainSender;
}

void OscLink::drain()
{
    if (!m_socket)
        return;
    if (m_receiveBuffer.size() < MaxDatagramSize)
        m_receiveBuffer.resize(MaxDatagramSize);
    QHostAddress sender;
    quint16 senderPort = 0;
    QElapsedTimer drainTime;
    drainTime.start();
    // A receiver may release the link while handling a datagram.
    while (m_socket && m_socket->hasPendingDatagrams() && drainTime.nsecsElapsed() < MaxDrainNs) {
        const qint64 size = m_socket->readDatagram(m_receiveBuffer.data(), m_receiveBuffer.size(),
                                                   &sender, &senderPort);
        if (size < 0)
            break;
        emit datagramReceived(QByteArray(m_receiveBuffer.constData(), size), plainSender(sender), senderPort);
    }
}
