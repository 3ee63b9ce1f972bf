#include "osc/Relay.h"

#include "i18n/LanguageManager.h"
#include "osc/OscLink.h"
#include "osc/PlainAddress.h"

#include <QNetworkInterface>
#include <QUdpSocket>

#include <algorithm>

Relay::Relay(OscLink *link, QObject *parent)
    : QObject(parent)
    , m_link(link)
{
    connect(m_link, &OscLink::datagramReceived, this, &Relay::forward);
    // A port bound after the relay started may be the very one it sends to.
    connect(m_link, &OscLink::bound, this, &Relay::checkLoop);
}

bool Relay::isActive() const
{
    return m_socket != nullptr;
}

void Relay::setBothWays(bool bothWays)
{
    m_bothWays = bothWays;
}

bool Relay::isLoop(const QHostAddress &target, quint16 port, quint16 boundPort)
{
    if (port != boundPort || boundPort == 0)
        return false;
    const QHostAddress address = plainAddress(target);
    if (address.isLoopback() || address == QHostAddress(QHostAddress::AnyIPv4) || address == QHostAddress(QHostAddress::AnyIPv6))
        return true;
    const QList<QHostAddress> own = QNetworkInterface::allAddresses();
    return std::any_of(own.begin(), own.end(), [&address](const QHostAddress &mine) { return plainAddress(mine) == address; });
}

bool Relay::start(const QString &host, quint16 port)
{
    stop();
    const QHostAddress target(host.trimmed());
    if (target.isNull()) {
        emit refused(picked("转发已拒绝: 目标地址无效: ", "Relay refused: invalid target address: ") + host.trimmed());
        return false;
    }
    if (isLoop(target, port, udpPort())) {
        emit refused(picked("转发已拒绝: 目标 %1:%2 就是本机绑定的端口, 会形成回环",
                            "Relay refused: the target %1:%2 is this machine's bound port, which would loop")
                         .arg(target.toString()).arg(port));
        return false;
    }
    auto *socket = new QUdpSocket(this);
    if (!socket->bind(QHostAddress::Any, 0) && !socket->bind(QHostAddress::AnyIPv4, 0)) {
        emit refused(picked("转发已拒绝: ", "Relay refused: ") + socket->errorString());
        delete socket;
        return false;
    }
    connect(socket, &QUdpSocket::readyRead, this, &Relay::drainReplies);
    m_socket = socket;
    m_target = target;
    m_targetPort = port;
    m_lastSenderPort = 0;
    return true;
}

void Relay::stop()
{
    delete m_socket;
    m_socket = nullptr;
}

// Only a UDP port takes our relayed datagrams in again; a TCP server's port of the same number
// does not.
quint16 Relay::udpPort() const
{
    return m_link->transport() == OscLink::Transport::Udp ? m_link->localPort() : 0;
}

void Relay::checkLoop()
{
    if (m_socket && isLoop(m_target, m_targetPort, udpPort()))
        start(m_target.toString(), m_targetPort);
}

void Relay::forward(const QByteArray &datagram, const QHostAddress &sender, quint16 senderPort)
{
    if (!m_socket)
        return;
    if (m_socket->writeDatagram(datagram, m_target, m_targetPort) < 0)
        return;
    m_lastSender = sender;
    m_lastSenderPort = senderPort;
    emit relayedCountChanged(++m_relayed);
}

void Relay::drainReplies()
{
    if (m_buffer.size() < OscLink::MaxDatagramSize)
        m_buffer.resize(OscLink::MaxDatagramSize);
    QHostAddress sender;
    quint16 senderPort = 0;
    // A receiver may stop the relay while handling a reply.
    while (m_socket && m_socket->hasPendingDatagrams()) {
        const qint64 size = m_socket->readDatagram(m_buffer.data(), m_buffer.size(), &sender, &senderPort);
        if (size < 0)
            break;
        const QByteArray reply(m_buffer.constData(), size);
        emit replyReceived(reply, plainAddress(sender), senderPort);
        if (m_bothWays && m_lastSenderPort != 0 && m_link->reply(reply, m_lastSender.toString(), m_lastSenderPort))
            emit relayedCountChanged(++m_relayed);
    }
}
