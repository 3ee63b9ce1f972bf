#include "osc/SlipFramer.h"

namespace {

bool isSpecial(char byte)
{
    return byte == SlipFramer::End || byte == SlipFramer::Esc;
}

} // namespace

QByteArray SlipFramer::encode(const QByteArray &datagram)
{
    QByteArray bytes;
    bytes.reserve(datagram.size() + 2);
    bytes += End;
    for (const char byte : datagram) {
        if (isSpecial(byte)) {
            bytes += Esc;
            bytes += byte == End ? EscEnd : EscEsc;
        } else {
            bytes += byte;
        }
    }
    bytes += End;
    return bytes;
}

void SlipFramer::refuse(StreamFault fault, qint64 offset)
{
    m_fault = fault;
    m_faultOffset = offset;
    m_pendingBytes = 0;
}

QList<QByteArray> SlipFramer::feed(const QByteArray &chunk)
{
    QList<QByteArray> messages;
    if (m_fault != StreamFault::None)
        return messages;

    const char *const bytes = chunk.constData();
    const qsizetype size = chunk.size();
    qsizetype i = 0;
    while (i < size) {
        if (m_escaped) {
            m_escaped = false;
            const char byte = bytes[i];
            if (byte != EscEnd && byte != EscEsc) {
                refuse(StreamFault::BadEscape, m_streamOffset + i);
                break;
            }
            if (m_frame.size() == MaxStreamMessageBytes) {
                refuse(StreamFault::FrameOverLimit, m_streamOffset + i);
                break;
            }
            m_frame += byte == EscEnd ? End : Esc;
            ++m_pendingBytes;
            ++i;
            continue;
        }
        if (bytes[i] == End) {
            if (!m_frame.isEmpty())
                messages.append(m_frame);
            m_frame.clear();
            m_pendingBytes = 0;
            ++i;
            continue;
        }
        if (bytes[i] == Esc) {
            m_escaped = true;
            ++m_pendingBytes;
            ++i;
            continue;
        }
        // Plain bytes are copied a run at a time, not one by one.
        qsizetype runEnd = i;
        while (runEnd < size && !isSpecial(bytes[runEnd]))
            ++runEnd;
        const qsizetype room = MaxStreamMessageBytes - m_frame.size();
        if (runEnd - i > room) {
            refuse(StreamFault::FrameOverLimit, m_streamOffset + i + room);
            break;
        }
        m_frame.append(bytes + i, runEnd - i);
        m_pendingBytes += runEnd - i;
        i = runEnd;
    }
    m_streamOffset += size;
    return messages;
}
