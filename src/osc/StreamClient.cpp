#include "osc/StreamClient.h"

#include "i18n/LanguageManager.h"
#include "osc/StreamConnection.h"

#include <QTcpSocket>

StreamClient::StreamClient(StreamDecoder::Choice framing, const QHostAddress &peer, quint16 peerPort, QObject *parent)
    : StreamTransport(framing, parent)
    , m_peer(peer)
    , m_peerPort(peerPort)
{
    m_retryTimer.setSingleShot(true);
    connect(&m_retryTimer, &QTimer::timeout, this, &StreamClient::connectToPeer);
}


StreamClient::~StreamClient()
{
    closeAll();
}

quint16 StreamClient::localPort() const
{
    return isConnected() ? m_connection->localPort() : 0;
}

bool StreamClient::isConnected() const
{
    return m_connection && m_connection->isConnected();
}

QString StreamClient::peerName() const
{
    return QStringLiteral("%1:%2").arg(m_peer.toString()).arg(m_peerPort);
}

void StreamClient::connectToPeer()
{
    emit notice(picked("正在连接 %1 …", "Connecting to %1 …").arg(peerName()));
    auto *socket = new QTcpSocket;
    m_connection = adopt(socket);
    connect(m_connection, &StreamConnection::connected, this, [this] {
        m_retryMs = FirstRetryMs;
        emit notice(picked("已连接 %1", "Connected to %1").arg(peerName()));
    });
    socket->connectToHost(m_peer, m_peerPort);
}

void StreamClient::connectionClosed(StreamConnection *connection, const QString &reason)
{
    if (connection != m_connection)
        return;
    m_connection = nullptr;
    // Only a connection that was made knows its peer's port.
    const bool wasConnected = connection->peerPort() != 0;
    const QString text = wasConnected
        ? picked("与 %1 的连接已断开 (%2), %3 秒后重连", "Connection to %1 lost (%2); reconnecting in %3 s")
        : picked("连接 %1 失败 (%2), %3 秒后重试", "Could not connect to %1 (%2); retrying in %3 s");
    emit notice(text.arg(peerName(), reason).arg(m_retryMs / 1000));
    m_retryTimer.start(m_retryMs);
    m_retryMs = qMin(m_retryMs * 2, LongestRetryMs);
}
