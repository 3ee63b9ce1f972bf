#pragma once

#include "osc/StreamFault.h"

#include <QByteArray>
#include <QList>

// OSC 1.1 stream framing: SLIP (RFC 1055). Each message ends with END; inside it END and ESC are
// written as two-byte escapes. We write an END before each message as well, which flushes any
// line noise at the receiver; we read both forms, skipping the empty frames between two ENDs.
class SlipFramer
{
public:
    static constexpr char End = char(0xC0);
    static constexpr char Esc = char(0xDB);
    static constexpr char EscEnd = char(0xDC);
    static constexpr char EscEsc = char(0xDD);

    static QByteArray encode(const QByteArray &datagram);

    // The messages this chunk completes, in order. After a fault nothing more is returned.
    QList<QByteArray> feed(const QByteArray &chunk);

    // Stream bytes of a message whose END has not arrived yet: a half message at disconnect.
    // None after a fault, which is reported instead.
    bool hasPartialMessage() const { return m_pendingBytes > 0; }
    qsizetype pendingBytes() const { return m_pendingBytes; }

    StreamFault fault() const { return m_fault; }
    // Position in the stream (counted from its first byte) of the byte that was refused: the
    // one after ESC for a bad escape, the first one past the limit for an oversized frame.
    qint64 faultOffset() const { return m_faultOffset; }

private:
    void refuse(StreamFault fault, qint64 offset);

    QByteArray m_frame; // the current message, already unescaped
    bool m_escaped = false;
    qsizetype m_pendingBytes = 0;
    qint64 m_streamOffset = 0; // stream position of the next chunk's first byte
    StreamFault m_fault = StreamFault::None;
    qint64 m_faultOffset = -1;
};
