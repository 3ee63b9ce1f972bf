#pragma once

#include "osc/StreamFault.h"

#include <QByteArray>
#include <QList>

// OSC 1.0 stream framing: each message is preceded by its size as a big-endian int32.
// One framer decodes one connection, keeping a message that arrives in pieces until it is whole.
class LengthPrefixFramer
{
public:
    static constexpr qsizetype PrefixBytes = 4;

    static QByteArray encode(const QByteArray &datagram);

    // The messages this chunk completes, in order. A zero size is an empty message and is
    // skipped. After a fault nothing more is returned.
    QList<QByteArray> feed(const QByteArray &chunk);

    // Bytes received but not yet part of a returned message: a half message at disconnect.
    // None after a fault, which is reported instead.
    bool hasPartialMessage() const { return pendingBytes() > 0; }
    qsizetype pendingBytes() const { return m_buffer.size(); }

    StreamFault fault() const { return m_fault; }
    // Position in the stream (counted from its first byte) of the prefix that was refused.
    qint64 faultOffset() const { return m_faultOffset; }

private:
    QByteArray m_buffer;
    qint64 m_bufferOffset = 0; // stream position of m_buffer's first byte
    StreamFault m_fault = StreamFault::None;
    qint64 m_faultOffset = -1;
};
