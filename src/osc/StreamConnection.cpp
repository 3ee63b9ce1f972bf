#include "osc/StreamConnection.h"

#include "i18n/LanguageManager.h"
#include "osc/PlainAddress.h"

#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTimer>

namespace {

// What Qt reads from the socket in one go.
constexpr qint64 ReadChunkBytes = 64 * 1024;

QString faultText(StreamFault fault)
{
    switch (fault) {
    case StreamFault::NegativeLength:
        return picked("长度为负", "negative length");
    case StreamFault::LengthOverLimit:
        return picked("长度超过 1 MiB", "length over 1 MiB");
    case StreamFault::FrameOverLimit:
        return picked("SLIP 帧超过 1 MiB", "SLIP frame over 1 MiB");
    case StreamFault::BadEscape:
        return picked("SLIP 转义无效", "invalid SLIP escape");
    case StreamFault::UnknownFraming:
        return picked("无法识别分帧 (既非长度前缀也非 SLIP)", "unknown framing (neither length prefix nor SLIP)");
    case StreamFault::None:
        break;
    }
    return QString();
}

} // namespace

StreamConnection::StreamConnection(QTcpSocket *socket, StreamDecoder::Choice framing, QObject *parent)
    : QObject(parent)
    , m_socket(socket)
    , m_choice(framing)
    , m_decoder(framing)
{
    m_socket->setParent(this);
    m_socket->setReadBufferSize(ReadAheadBytes);
    // Control messages are small and wanted now, not after Nagle's wait for more.
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    connect(m_socket, &QTcpSocket::connected, this, [this] {
        rememberPeer();
        emit connected();
    });
    connect(m_socket, &QTcpSocket::readyRead, this, &StreamConnection::readAvailable);
    connect(m_socket, &QTcpSocket::disconnected, this, &StreamConnection::readToEnd);
    connect(m_socket, &QTcpSocket::errorOccurred, this, [this] {
        if (m_socket->state() != QAbstractSocket::ConnectedState)
            readToEnd();
    });
    if (m_socket->state() == QAbstractSocket::ConnectedState)
        rememberPeer();
}

QString StreamConnection::peerName() const
{
    return QStringLiteral("%1:%2").arg(m_peerAddress.toString()).arg(m_peerPort);
}

quint16 StreamConnection::localPort() const
{
    return m_socket->localPort();
}

bool StreamConnection::isConnected() const
{
    return !m_finished && m_socket->state() == QAbstractSocket::ConnectedState;
}

void StreamConnection::rememberPeer()
{
    m_peerAddress = plainAddress(m_socket->peerAddress());
    m_peerPort = m_socket->peerPort();
}

bool StreamConnection::send(const QByteArray &datagram)
{
    if (!isConnected())
        return false;
    const bool slip = m_decoder.framing() == FramingDetector::Framing::Slip
        || (m_decoder.framing() == FramingDetector::Framing::Undecided && m_choice == StreamDecoder::Choice::Slip);
    const QByteArray frame = slip ? SlipFramer::encode(datagram) : LengthPrefixFramer::encode(datagram);
    if (m_socket->bytesToWrite() + frame.size() > MaxQueuedBytes) {
        emit notice(picked("[%1] 对方未及时读取, 发送队列超过 4 MiB, 连接已断开",
                           "[%1] The peer is not reading: send queue over 4 MiB, connection dropped")
                        .arg(peerName()));
        abort();
        return false;
    }
    m_socket->write(frame);
    return true;
}

void StreamConnection::abort()
{
    m_socket->abort();
    finish();
}

// Reads what has arrived, for at most MaxReadNs; the rest is read on the next turn of the
// event loop, as Qt signals readyRead only for new bytes.
void StreamConnection::readAvailable()
{
    m_readScheduled = false;
    QElapsedTimer readTime;
    readTime.start();
    while (!m_finished && m_socket->bytesAvailable() > 0) {
        if (readTime.nsecsElapsed() >= MaxReadNs) {
            m_readScheduled = true;
            QTimer::singleShot(0, this, [this] {
                if (m_readScheduled)
                    readAvailable();
            });
            return;
        }
        if (!readChunk())
            return;
    }
}

// What the peer sent before it went is still decoded; only then is a message cut short.
void StreamConnection::readToEnd()
{
    while (!m_finished && m_socket->bytesAvailable() > 0) {
        if (!readChunk())
            return;
    }
    finish();
}

bool StreamConnection::readChunk()
{
    const FramingDetector::Framing before = m_decoder.framing();
    const QList<QByteArray> messages = m_decoder.feed(m_socket->read(ReadChunkBytes));
    if (m_decoder.fault() == StreamFault::None && before == FramingDetector::Framing::Undecided
        && m_decoder.framing() != before)
        emit framingDecided(m_decoder.framing());
    for (const QByteArray &message : messages) {
        emit messageReceived(message, m_peerAddress, m_peerPort);
        // A receiver may have closed the connection.
        if (m_finished)
            return false;
    }
    if (m_decoder.fault() != StreamFault::None) {
        refuse();
        return false;
    }
    return true;
}

void StreamConnection::refuse()
{
    emit notice(picked("[%1] %2 (第 %3 字节), 连接已关闭", "[%1] %2 at byte %3, connection closed")
                    .arg(peerName(), faultText(m_decoder.fault()))
                    .arg(m_decoder.faultOffset()));
    abort();
}

void StreamConnection::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    m_readScheduled = false;
    if (m_decoder.hasPartialMessage())
        emit notice(picked("[%1] 断开时有 %2 字节的不完整消息, 已丢弃", "[%1] Disconnected inside a message: %2 bytes dropped")
                        .arg(peerName())
                        .arg(m_decoder.pendingBytes()));
    emit closed(m_socket->errorString());
}
