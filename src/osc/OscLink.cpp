#include "osc/OscLink.h"

#include "i18n/LanguageManager.h"

#include <QElapsedTimer>
#include <QUdpSocket>
#include <QVariant>

namespace {

// Every UDP datagram fits, so each is read whole without asking the system for its size first.
constexpr qsizetype MaxDatagramSize = 65536;

// How a system without IPv6 may refuse the dual-stack address. Qt itself already falls back to
// IPv4 where no IPv6 socket can be opened at all.
bool lacksIPv6(QAbstractSocket::SocketError error)
{
    return error == QAbstractSocket::UnsupportedSocketOperationError
        || error == QAbstractSocket::SocketAddressNotAvailableError;
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
}

bool OscLink::isBound() const
{
    return m_socket != nullptr;
}

quint16 OscLink::localPort() const
{
    return m_socket ? m_socket->localPort() : 0;
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
    emit bound(m_socket->localPort());
    if (dualStack && m_socket && m_socket->localAddress().protocol() != QAbstractSocket::AnyIPProtocol)
        emit ipv6Unavailable();
    return true;
}

void OscLink::release()
{
    if (!m_socket)
        return;
    emit aboutToRelease();
    m_socket->close();
    delete m_socket;
    m_socket = nullptr;
    m_dropCounter.reset();
    emit released();
}

bool OscLink::send(const QByteArray &datagram, const QString &host, quint16 port)
{
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
    return true;
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
