#include "osc/LengthPrefixFramer.h"

#include <QtEndian>

QByteArray LengthPrefixFramer::encode(const QByteArray &datagram)
{
    QByteArray bytes(PrefixBytes, Qt::Uninitialized);
    qToBigEndian(qint32(datagram.size()), bytes.data());
    return bytes + datagram;
}

QList<QByteArray> LengthPrefixFramer::feed(const QByteArray &chunk)
{
    QList<QByteArray> messages;
    if (m_fault != StreamFault::None)
        return messages;
    m_buffer += chunk;

    qsizetype position = 0;
    while (m_buffer.size() - position >= PrefixBytes) {
        const qint32 size = qFromBigEndian<qint32>(m_buffer.constData() + position);
        if (size < 0 || size > MaxStreamMessageBytes) {
            m_fault = size < 0 ? StreamFault::NegativeLength : StreamFault::LengthOverLimit;
            m_faultOffset = m_bufferOffset + position;
            break;
        }
        if (m_buffer.size() - position - PrefixBytes < size)
            break;
        if (size > 0)
            messages.append(m_buffer.mid(position + PrefixBytes, size));
        position += PrefixBytes + size;
    }

    // A refused stream is reported by its fault; what is left of it is not a half message.
    if (m_fault != StreamFault::None) {
        m_buffer.clear();
        return messages;
    }
    m_buffer.remove(0, position);
    m_bufferOffset += position;
    return messages;
}
