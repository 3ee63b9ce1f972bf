#include "osc/OscLink.h"

#include <QElapsedTimer>
#include <QUdpSocket>
#include <QVariant>

namespace {

// Every UDP datagram fits, so each is read whole without asking the system for its size first.
constexpr qsizetype MaxDatagramSize = 65536;

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
    auto *socket = new QUdpSocket(this);
    if (!socket->bind(address, port, QAbstractSocket::DefaultForPlatform)) {
        const QString reason = socket->errorString();
        delete socket;
        emit bindFailed(reason);
        return false;
    }
    socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, ReceiveBufferBytes);
    connect(socket, &QUdpSocket::readyRead, this, &OscLink::drain);
    m_socket = socket;
    emit bound(m_socket->localPort());
    return true;
}

void OscLink::release()
{
    if (!m_socket)
        return;
    m_socket->close();
    delete m_socket;
    m_socket = nullptr;
    emit released();
}

bool OscLink::send(const QByteArray &datagram, const QString &host, quint16 port)
{
    if (!m_socket) {
        emit sendFailed(QStringLiteral("未绑定"));
        return false;
    }
    const QString hostText = host.trimmed();
    const QHostAddress target(hostText);
    if (target.isNull()) {
        emit sendFailed(QStringLiteral("目标地址无效: ") + hostText);
        return false;
    }
    if (m_socket->writeDatagram(datagram, target, port) < 1) {
        emit sendFailed(m_socket->errorString());
        return false;
    }
    return true;
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
        emit datagramReceived(QByteArray(m_receiveBuffer.constData(), size), sender, senderPort);
    }
}
